#include "cli/Command.h"
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
    QString location;
    double duration = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--port") && i + 1 < args.size()) {
            location = args.at(++i);
        } else if (arg == QLatin1String("--duration") && i + 1 < args.size()) {
            bool ok = false;
            duration = args.at(++i).toDouble(&ok);
            if (!ok || !(duration > 0) || duration > 7 * 86400) {
                io.err << "dewscope-cli monitor: --duration wants seconds above 0\n";
                return UsageError;
            }
        } else {
            io.err << "dewscope-cli monitor: unexpected argument '" << arg << "'\n";
            return UsageError;
        }
    }
    if (location.isEmpty()) {
        io.err << "dewscope-cli monitor: give the meter's port with --port LOCATION\n";
        return UsageError;
    }

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
