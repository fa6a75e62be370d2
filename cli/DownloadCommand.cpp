#include "cli/Command.h"
#include "cli/CommandInput.h"
#include "cli/CommandOptions.h"
#include "cli/MeterConnection.h"
#include "cli/StopSignals.h"

#include "memory/MemoryImage.h"
#include "memory/MemoryTransfer.h"
#include "meter/Poll.h"
#include "recording/OutputFile.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <optional>
#include <sys/stat.h>
#include <utility>

namespace dewscope::cli {

namespace {
// Writes a whole file through a temporary one beside it; the reason on failure. With placedAt,
// a file that holds the name at that moment stays as it is, and the bytes take the first free
// name of PATH.new, PATH.new.1, ... (placedAt: the name taken).
QString writeWhole(const QString &path, const QByteArray &bytes, QString *placedAt = nullptr)
{
    OutputFile file(path);
    if (!file.open())
        return file.errorString();
    if (file.device()->write(bytes) != bytes.size()) {
        file.abandon();
        return file.errorString();
    }
    if (placedAt ? file.commitBeside(placedAt) : file.commit())
        return QString();
    return file.errorString();
}

// The empty regular file at path (its device and inode), or nothing.
std::optional<std::pair<dev_t, ino_t>> emptyFile(const QString &path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)
        || info.st_size != 0)
        return std::nullopt;
    return std::make_pair(info.st_dev, info.st_ino);
}
} // namespace

// Waits for the meter's download announcement (up to --timeout), receives the memory with the
// window's transfer and its bounds, and writes a complete image to OUT, then prints its sets. An
// incomplete transfer writes what arrived to OUT.partial and leaves OUT as it was.
int runDownload(const QStringList &args, Io &io)
{
    CommandOptions options("download", io);
    options.addMeterPort();
    options.add(QStringLiteral("out"), QStringLiteral("the file the memory image is written to"),
                QStringLiteral("IMAGE"));
    options.add(QStringLiteral("timeout"),
                QStringLiteral("how long to wait for the meter to announce a download (by "
                               "default without end); once started, the transfer ends by its "
                               "own rule: a full memory of 262,151 bytes takes about 273 s"),
                QStringLiteral("SECONDS"));
    options.add(QStringLiteral("force"),
                QStringLiteral("overwrite IMAGE when it already holds data (refused otherwise)"));
    options.addNote(QStringLiteral(
        "Without --force, a file that appears at IMAGE while the download runs is never "
        "replaced: the image goes to IMAGE.new (or IMAGE.new.1, .2, ...) and the exit status is "
        "1."));
    options.addNote(QStringLiteral(
        "A transfer that stops short (fewer than 240 bytes in a second, or slower than its length "
        "/ 960 bytes a second x 1.5 + 5 s) or is stopped with SIGINT, SIGTERM or SIGHUP keeps what "
        "arrived in IMAGE.partial; IMAGE is left as it was and the exit status is 1."));
    options.allowPositional(0);
    if (const auto code = options.parse(args))
        return *code;
    int code = Success;
    const double timeout
        = options.number(QStringLiteral("timeout"), 0.001, 7 * 86400, &code).value_or(0);
    if (code != Success)
        return code;
    const QString location = options.value(QStringLiteral("port"));
    const QString out = options.value(QStringLiteral("out"));
    if (location.isEmpty() || out.isEmpty())
        return options.usageError(QStringLiteral(
            "give the meter's port with --port LOCATION and the image file with --out IMAGE"));
    // Checked before the wait, so that neither an image nor a download is lost to a bad name.
    if (const auto code = refuseFileWithData(options, out))
        return *code;
    if (const QString whyNot = OutputFile::whyNotWritable(out); !whyNot.isEmpty())
        return options.failure(whyNot);
    // An empty file at OUT holds no data and may be replaced; any other file that holds the
    // name once the image is in stays as it is (without --force).
    const auto emptyAtStart = emptyFile(out);

    MeterConnection meter;
    if (!meter.open("download", location, io))
        return Failure;
    Poll poll(&meter.link, &meter.state);
    MemoryImage image;
    MemoryTransfer transfer(&meter.link, &image);
    QEventLoop loop;
    enum class End { None, Transferred, TimedOut, Stopped } end = End::None;
    const auto stop = [&](End how) {
        end = how;
        loop.quit();
    };

    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { stop(End::TimedOut); });
    QObject::connect(&poll, &Poll::downloadAnnounced, &loop, [&](const QByteArray &imageStart) {
        deadline.stop();
        io.err << "dewscope-cli download: the meter announced a download\n";
        io.err.flush();
        transfer.start(imageStart);
    });
    QObject::connect(&transfer, &MemoryTransfer::progress, &loop, [&](const QString &caption) {
        io.err << caption << "\n";
        io.err.flush();
    });
    QObject::connect(&transfer, &MemoryTransfer::finished, &loop, [&] {
        poll.downloadFinished();
        stop(End::Transferred);
    });
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &loop, [&] {
        if (transfer.isRunning())
            transfer.stop(); // ends the loop through finished
        else
            stop(End::Stopped);
    });

    if (timeout > 0)
        deadline.start(static_cast<int>(timeout * 1000));
    poll.setEnabled(true);
    loop.exec();
    poll.setEnabled(false);
    meter.link.close();

    if (end != End::Transferred) {
        return options.failure(
            end == End::Stopped
                ? QStringLiteral("you stopped it before a download was announced on %1")
                      .arg(location)
                : QStringLiteral("no download was announced on %1").arg(location));
    }
    if (transfer.end() != MemoryTransfer::End::Complete) {
        const QString partial = out + QStringLiteral(".partial");
        QString kept = QStringLiteral("Nothing arrived to keep.");
        if (image.size() > 0) {
            const QString whyNot = writeWhole(partial, image.bytes());
            kept = whyNot.isEmpty()
                ? QStringLiteral("What arrived is in %1; %2 was left as it was.").arg(partial, out)
                : QStringLiteral("What arrived could not be kept: %1").arg(whyNot);
        }
        return options.failure(transfer.incompleteMessage() + QLatin1Char(' ') + kept);
    }
    const bool replace = options.isSet(QStringLiteral("force"))
        || (emptyAtStart && emptyFile(out) == emptyAtStart);
    QString placedAt = out;
    if (const QString whyNot = writeWhole(out, image.bytes(), replace ? nullptr : &placedAt);
        !whyNot.isEmpty())
        return options.failure(whyNot);
    if (placedAt != out)
        return options.failure(QStringLiteral("%1 appeared while the download ran and was left "
                                              "as it is; the memory image is in %2")
                                   .arg(out, placedAt));
    return printMemory(image.bytes(), -1, io);
}

} // namespace dewscope::cli
