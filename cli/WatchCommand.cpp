#include "cli/AlarmOptions.h"
#include "cli/AlarmRun.h"
#include "cli/Command.h"
#include "cli/CommandOptions.h"
#include "cli/MeterConnection.h"
#include "cli/StopSignals.h"

#include "meter/MeterLink.h"
#include "meter/Poll.h"

#include <QEventLoop>

namespace dewscope::cli {

// Watches the meter's live readings for alarms and prints each event as it happens, until
// SIGINT, SIGTERM or SIGHUP. The port going away is said and it is reopened; the silence
// meanwhile is the meter's alarm.
int runWatch(const QStringList &args, Io &io)
{
    CommandOptions options("watch", io);
    options.addMeterPort();
    AlarmOptions::addOptions(options);
    options.add(QStringLiteral("json"),
                QStringLiteral("print each event as one JSON object per line, with every key"));
    options.addNote(QStringLiteral(
        "Prints each alarm event (start, end, ack) as one line: its time, event, channel "
        "(temperature, humidity, meter), side (below, above, silent), value, limit and since "
        "when. An alarm starts once the readings have stayed on one side of a limit for the "
        "delay, and ends when a reading comes back inside by the hysteresis. Times are ISO 8601 "
        "with milliseconds and the UTC offset. Runs until SIGINT, SIGTERM or SIGHUP."));
    options.allowPositional(0);
    if (const auto code = options.parse(args))
        return *code;
    AlarmOptions alarms;
    if (const auto code = alarms.read(options))
        return *code;
    const QString location = options.value(QStringLiteral("port"));
    if (location.isEmpty())
        return options.usageError(QStringLiteral("give the meter's port with --port LOCATION"));

    MeterConnection meter;
    if (!meter.open("watch", location, io))
        return Failure;
    Poll poll(&meter.link, &meter.state);
    QEventLoop loop;
    AlarmRun run("watch", alarms, &poll, &meter.state, location, io.out,
                 options.isSet(QStringLiteral("json")), io);
    QObject::connect(&meter.link, &MeterLink::portLost, &loop, [&] {
        io.err << options.prefix() << location << " went away; trying to reopen it\n";
        io.err.flush();
    });
    QObject::connect(&meter.link, &MeterLink::portRestored, &loop, [&] {
        io.err << options.prefix() << location << " is back\n";
        io.err.flush();
    });
    QObject::connect(&poll, &Poll::downloadAnnounced, &loop, [&] { poll.downloadFinished(); });

    StopSignals stop;
    QObject::connect(&stop, &StopSignals::stopRequested, &loop, &QEventLoop::quit);
    run.start();
    poll.setEnabled(true);
    loop.exec();
    poll.setEnabled(false);
    run.finish();
    meter.link.close();
    io.out.flush();
    return Success;
}

} // namespace dewscope::cli
