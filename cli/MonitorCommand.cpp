#include "cli/Command.h"
#include "cli/CommandOptions.h"
#include "cli/MeterConnection.h"
#include "cli/StopSignals.h"

#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "recording/DataFile.h"

#include <QEventLoop>
#include <QTime>
#include <QTimer>

namespace dewscope::cli {

int runMonitor(const QStringList &args, Io &io)
{
    CommandOptions options("monitor", io);
    options.addMeterPort();
    options.add(QStringLiteral("duration"), QStringLiteral("stop after this many seconds"),
                QStringLiteral("SECONDS"));
    options.allowPositional(0);
    if (const auto code = options.parse(args))
        return *code;
    int code = Success;
    const double duration
        = options.number(QStringLiteral("duration"), 0.001, 7 * 86400, &code).value_or(0);
    if (code != Success)
        return code;
    const QString location = options.value(QStringLiteral("port"));
    if (location.isEmpty())
        return options.usageError(QStringLiteral("give the meter's port with --port LOCATION"));

    // The given location becomes COM 1, the port the poll reads.
    MeterConnection meter;
    if (!meter.open("monitor", location, io))
        return Failure;
    MeterLink &link = meter.link;
    SharedState &state = meter.state;
    Poll poll(&link, &state);
    QEventLoop loop;

    auto say = [&io](const QString &line) {
        io.out << line << '\n';
        io.out.flush();
    };
    QObject::connect(&poll, &Poll::readingDecoded, &loop, [&] {
        say(DataFile::timeAndValues(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")),
                                    state.texts));
    });
    QObject::connect(&poll, &Poll::meterSilent, &loop, [&] { say(QStringLiteral("No COM")); });
    QObject::connect(&poll, &Poll::meterBack, &loop,
                     [&](int number) { say(QStringLiteral("COM%1").arg(number)); });
    // Without the window there is no transfer to run: the announcement is reported and the poll
    // goes on, its next ticks discarding the memory bytes.
    QObject::connect(&poll, &Poll::downloadAnnounced, &loop, [&] {
        say(QStringLiteral("download"));
        poll.downloadFinished();
    });
    QObject::connect(&link, &MeterLink::portLost, &loop, [&] {
        io.err << "dewscope-cli monitor: " << location << " went away; trying to reopen it\n";
        io.err.flush();
    });
    QObject::connect(&link, &MeterLink::portRestored, &loop, [&] {
        io.err << "dewscope-cli monitor: " << location << " is back\n";
        io.err.flush();
    });

    StopSignals stop;
    QObject::connect(&stop, &StopSignals::stopRequested, &loop, &QEventLoop::quit);
    QTimer end;
    end.setSingleShot(true);
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (duration > 0)
        end.start(static_cast<int>(duration * 1000));

    poll.setEnabled(true);
    loop.exec();
    poll.setEnabled(false);
    link.close();
    io.out.flush();
    return Success;
}

} // namespace dewscope::cli
