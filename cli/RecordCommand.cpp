#include "cli/Command.h"
#include "cli/CommandInput.h"
#include "cli/CommandOptions.h"
#include "cli/MeterConnection.h"
#include "cli/StopSignals.h"

#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "recording/Recorder.h"

#include <QEventLoop>
#include <QTimer>

#include <optional>
#include <utility>

namespace dewscope::cli {

namespace {

// What the recording's silences cost, for its last line: ", 1 silence(s) (0:00:42 silent)".
QString silenceFigures(const Recorder &recorder)
{
    const qint64 seconds = qint64(recorder.silentSeconds() + 0.5);
    return QStringLiteral(", %1 silence(s) (%2:%3:%4 silent)")
        .arg(recorder.silences())
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// Said once per silence: from the first sample it costs until the meter sends again.
void reportSilences(const Recorder &recorder, QEventLoop &loop, Io &io)
{
    QObject::connect(&recorder, &Recorder::silenceBegan, &loop, [&io] {
        io.err << "dewscope-cli record: the meter is silent; nothing is recorded until it sends "
                  "again\n";
        io.err.flush();
    });
    QObject::connect(&recorder, &Recorder::silenceEnded, &loop, [&io] {
        io.err << "dewscope-cli record: the meter is back; recording goes on\n";
        io.err.flush();
    });
}

} // namespace

// Records the meter's readings into a data file with the same recorder as the window: a sample
// every interval seconds (in ticks of 960 ms), the recorder's time stamps, at most 35,000
// records, each line flushed as it is written. Stops after --count samples (written or
// missed), at 35,000 records, or on SIGINT/SIGTERM, closing the file cleanly. A file that
// already holds data is kept unless --force is given. Samples that cannot be written are
// reported, the recording goes on trying (a disk may be freed), and the exit status is 1 when
// any sample was missed. Sampling starts with the first reading; a meter that has sent none a
// minute after the start ends the recording with status 1.
int runRecord(const QStringList &args, Io &io)
{
    CommandOptions options("record", io);
    options.addMeterPort();
    options.add(
        QStringLiteral("interval"),
        QStringLiteral("the sampling time in seconds, 1 to %1").arg(Recorder::MaxSamplingTime),
        QStringLiteral("SECONDS"));
    options.add(QStringLiteral("count"),
                QStringLiteral("stop after N samples, 1 to %1").arg(Recorder::MaxRecords),
                QStringLiteral("N"));
    options.add(QStringLiteral("force"),
                QStringLiteral("overwrite FILE when it already holds data (refused otherwise)"));
    options.add(QStringLiteral("nine-fields"),
                QStringLiteral("write records of nine fields, without the date and time"));
    options.addHidden(QStringLiteral("first-reading-wait"), QStringLiteral("SECONDS"));
    options.addNote(QStringLiteral(
        "Samples every SECONDS from the first reading on, until N samples (written or missed), "
        "35000 records, SIGINT or SIGTERM. Samples that cannot be written (a full disk, a file "
        "size limit) are reported on stderr and tried again; the exit status is then 1, and the "
        "summary gives the samples missed. Each record ends with the local date and time of its "
        "sample (2026-12-07T14:03:22+01:00) unless --nine-fields is given. While the meter is "
        "silent nothing is recorded; the last line counts the silences and their time. A meter "
        "that sends no reading within 60 s of the "
        "start ends the recording with status 1."));
    options.allowPositional(1);
    if (const auto code = options.parse(args))
        return *code;
    const QString location = options.value(QStringLiteral("port"));
    std::optional<int> interval;
    if (options.isSet(QStringLiteral("interval"))) {
        interval = Recorder::parseSamplingTime(options.value(QStringLiteral("interval")));
        if (!interval)
            return options.usageError(
                QStringLiteral("--interval wants a number of seconds (1 to %1)")
                    .arg(Recorder::MaxSamplingTime));
    }
    qint64 count = 0;
    if (options.isSet(QStringLiteral("count"))) {
        bool ok = false;
        count = options.value(QStringLiteral("count")).toLongLong(&ok);
        if (!ok || count < 1 || count > Recorder::MaxRecords)
            return options.usageError(QStringLiteral("--count wants a whole number from 1 to %1")
                                          .arg(Recorder::MaxRecords));
    }
    int code = Success;
    const double firstReadingWait
        = options.number(QStringLiteral("first-reading-wait"), 1, 3600, &code).value_or(60);
    if (code != Success)
        return code;
    const QString path = options.positional().value(0);
    if (location.isEmpty() || !interval || path.isEmpty())
        return options.usageError(QStringLiteral("give the port, the interval and the FILE "
                                                 "(Usage: see dewscope-cli record --help)"));
    // Checked before the port, so a mistyped name never costs an old recording.
    if (const auto code = refuseFileWithData(options, path))
        return *code;

    // The port first: a port that cannot be opened leaves an existing file untouched.
    MeterConnection meter;
    if (!meter.open("record", location, io))
        return Failure;
    MeterLink &link = meter.link;
    SharedState &state = meter.state;
    Recorder recorder(&state);
    recorder.loadDefaults();
    recorder.setSamplingTime(*interval);
    recorder.setNineFields(options.isSet(QStringLiteral("nine-fields")));
    recorder.resetRecordTime();
    QString fileError;
    if (!recorder.startRecording(path, &fileError)) {
        io.err << "dewscope-cli record: cannot create " << path << ": " << fileError << '\n';
        link.close();
        return Failure;
    }

    Poll poll(&link, &state);
    recorder.watchPoll(&poll);
    QEventLoop loop;
    qint64 written = 0;
    qint64 samples = 0; // written or missed
    bool saidNoReading = false;
    bool timedOut = false;
    // Sampling starts with the first reading, so no record carries empty values; a port that
    // never brings one ends the recording.
    QTimer firstReading;
    firstReading.setSingleShot(true);
    QObject::connect(&firstReading, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QObject::connect(&poll, &Poll::readingDecoded, &loop, [&] {
        if (!recorder.isTimerEnabled()) {
            firstReading.stop();
            if (saidNoReading)
                io.err << "dewscope-cli record: the first reading has arrived; recording starts\n";
            recorder.resetRecordTime();
            recorder.setTimerEnabled(true);
        }
    });
    const auto sampleTaken = [&] {
        if (++samples == count)
            loop.quit();
    };
    QObject::connect(&recorder, &Recorder::fileListRowAppended, &loop, [&](const QString &row) {
        io.out << row << '\n';
        io.out.flush();
    });
    QObject::connect(&recorder, &Recorder::recordWritten, &loop, [&](qint64 number) {
        written = number;
        sampleTaken();
    });
    QObject::connect(&recorder, &Recorder::recordingFull, &loop, [&] {
        io.err << "dewscope-cli record: " << Recorder::MaxRecords
               << " records written, the recording is full\n";
    });
    QObject::connect(&recorder, &Recorder::recordingStopped, &loop, &QEventLoop::quit);
    // The first failed sample of a run of failures is reported, then its end.
    QObject::connect(&recorder, &Recorder::writeFailed, &loop,
                     [&](const QString &reason, qint64 missed) {
                         if (missed == 1) {
                             io.err << "dewscope-cli record: cannot write to " << path << ": "
                                    << reason << "; samples are missed, still trying\n";
                             io.err.flush();
                         }
                         sampleTaken();
                     });
    QObject::connect(&recorder, &Recorder::writeRecovered, &loop, [&](qint64 missed) {
        io.err << "dewscope-cli record: writing again after " << missed << " missed sample(s)\n";
        io.err.flush();
    });
    reportSilences(recorder, loop, io);
    QObject::connect(&poll, &Poll::meterSilent, &loop, [&] {
        if (!recorder.isTimerEnabled() && !std::exchange(saidNoReading, true))
            io.err << "dewscope-cli record: no reading has arrived yet; nothing is recorded "
                      "until one does\n";
        io.err.flush();
    });
    // Without the window there is no transfer: the poll goes on at once.
    QObject::connect(&poll, &Poll::downloadAnnounced, &loop, [&] { poll.downloadFinished(); });

    StopSignals stop;
    QObject::connect(&stop, &StopSignals::stopRequested, &loop, &QEventLoop::quit);

    poll.setEnabled(true);
    firstReading.start(int(firstReadingWait * 1000));
    loop.exec();
    poll.setEnabled(false);
    recorder.setTimerEnabled(false);
    if (recorder.isWriteFailing())
        io.err << "dewscope-cli record: still cannot write to " << path << ": "
               << recorder.writeError() << '\n';
    recorder.stopRecording();
    link.close();
    if (timedOut)
        io.err << "dewscope-cli record: no reading came from " << location << " within "
               << firstReadingWait << " s; stopped (is the meter on and connected?)\n";
    const qint64 missed = recorder.totalSamplesMissed();
    io.err << "dewscope-cli record: " << written << " record(s) written to " << path << ", "
           << missed << " sample(s) missed" << silenceFigures(recorder) << '\n';
    io.out.flush();
    io.err.flush();
    return missed > 0 || timedOut ? Failure : Success;
}

} // namespace dewscope::cli
