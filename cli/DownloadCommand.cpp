#include "cli/Command.h"
#include "cli/CommandOptions.h"
#include "cli/MeterConnection.h"
#include "cli/StopSignals.h"

#include "memory/MemoryImage.h"
#include "memory/MemoryTransfer.h"
#include "meter/Poll.h"

#include <QEventLoop>
#include <QSaveFile>
#include <QTimer>

namespace dewscope::cli {

namespace {
bool writeImage(const QString &path, const QByteArray &bytes, Io &io)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    io.err << "dewscope-cli download: cannot write " << path << ": " << file.errorString() << "\n";
    return false;
}
} // namespace

int runDownload(const QStringList &args, Io &io)
{
    CommandOptions options("download", io);
    options.add(QStringLiteral("port"),
                QStringLiteral("the meter's serial port: a system location, COMn or n"),
                QStringLiteral("LOCATION"));
    options.add(QStringLiteral("out"), QStringLiteral("the file the memory image is written to"),
                QStringLiteral("IMAGE"));
    options.add(QStringLiteral("timeout"),
                QStringLiteral("how long to wait for the meter to announce a download (by "
                               "default without end)"),
                QStringLiteral("SECONDS"));
    if (const auto code = options.parse(args))
        return *code;
    int code = Success;
    const double timeout
        = options.number(QStringLiteral("timeout"), 0.001, 7 * 86400, &code).value_or(0);
    if (code != Success)
        return code;
    if (!options.positional().isEmpty())
        return options.usageError(
            QStringLiteral("unexpected argument '%1'").arg(options.positional().first()));
    const QString location = options.value(QStringLiteral("port"));
    const QString out = options.value(QStringLiteral("out"));
    if (location.isEmpty() || out.isEmpty())
        return options.usageError(QStringLiteral(
            "give the meter's port with --port LOCATION and the image file with --out IMAGE"));

    MeterConnection meter;
    if (!meter.open("download", location, io))
        return Failure;
    Poll poll(&meter.link, &meter.state);
    MemoryImage image;
    MemoryTransfer transfer(&meter.link, &image);
    QEventLoop loop;
    enum class End { None, Complete, Stalled, TimedOut, Stopped } end = End::None;
    const auto stop = [&](End how) {
        end = how;
        loop.quit();
    };

    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { stop(End::TimedOut); });
    QObject::connect(&poll, &Poll::downloadAnnounced, &loop, [&] {
        deadline.stop();
        io.err << "dewscope-cli download: the meter announced a download\n";
        io.err.flush();
        transfer.start();
    });
    QObject::connect(&transfer, &MemoryTransfer::progress, &loop, [&](const QString &caption) {
        io.err << caption << "\n";
        io.err.flush();
    });
    QObject::connect(&transfer, &MemoryTransfer::finished, &loop, [&](bool complete) {
        poll.downloadFinished();
        stop(complete ? End::Complete : End::Stalled);
    });
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &loop, [&] { stop(End::Stopped); });

    if (timeout > 0)
        deadline.start(static_cast<int>(timeout * 1000));
    poll.setEnabled(true);
    loop.exec();
    poll.setEnabled(false);
    meter.link.close();

    if (end == End::TimedOut || (end == End::Stopped && !transfer.isRunning())) {
        io.err << "dewscope-cli download: no download was announced on " << location << "\n";
        return Failure;
    }
    if (!writeImage(out, image.bytes(), io))
        return Failure;
    if (end != End::Complete) {
        io.err << "dewscope-cli download: " << transfer.incompleteMessage() << " They are in "
               << out << ".\n";
        return Failure;
    }
    return printMemory(image.bytes(), -1, io);
}

} // namespace dewscope::cli
