#include "cli/Command.h"
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
    QString location;
    QString out;
    double timeout = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--port") && i + 1 < args.size()) {
            location = args.at(++i);
        } else if (arg == QLatin1String("--out") && i + 1 < args.size()) {
            out = args.at(++i);
        } else if (arg == QLatin1String("--timeout") && i + 1 < args.size()) {
            bool ok = false;
            timeout = args.at(++i).toDouble(&ok);
            if (!ok || !(timeout > 0) || timeout > 7 * 86400) {
                io.err << "dewscope-cli download: --timeout wants seconds above 0\n";
                return UsageError;
            }
        } else {
            io.err << "dewscope-cli download: unexpected argument '" << arg << "'\n";
            return UsageError;
        }
    }
    if (location.isEmpty() || out.isEmpty()) {
        io.err << "dewscope-cli download: give the meter's port with --port LOCATION and the "
                  "image file with --out IMAGE\n";
        return UsageError;
    }

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
