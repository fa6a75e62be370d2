// dewscope-cli watch following a meter that sends every 0.5 s: its CPU use (from /proc, of the
// watch process alone) and how late each alarm starts after its delay has passed. The meter is
// the simulated one on a pseudo-terminal in this process, following a profile that steps from
// 20 to 30 °C every 10 s (limit 25 °C, delay 3 s), so every 20 s an alarm starts and ends.
//
// Usage: bench_watch [SECONDS]   (default 60)

#include "meter/MeterProfile.h"
#include "meter/ProfilePlayer.h"
#include "meter/SimulatedMeter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

using namespace dewscope;

namespace {

// CPU seconds (user + system) a process has used, from /proc/PID/stat.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / sysconf(_SC_CLK_TCK);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? qBound(20, atoi(argv[1]), 3600) : 60;
    constexpr double Delay = 3;
    QString profileText;
    for (int t = 0; t <= seconds + 20; t += 20)
        profileText += QStringLiteral("%1 20 50\n%2 20 50\n%2 30 50\n%3 30 50\n%3 20 50\n")
                           .arg(t)
                           .arg(t + 5)
                           .arg(t + 15);
    QString error;
    const auto profile = MeterProfile::parse(profileText, &error);
    SimulatedMeter meter;
    meter.setFrameInterval(500);
    ProfilePlayer player(&meter, *profile);
    player.start();
    const QDateTime started = QDateTime::currentDateTime();
    if (!meter.open(&error)) {
        std::fprintf(stderr, "bench_watch: %s\n", qPrintable(error));
        return 1;
    }
    QProcess watch;
    watch.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    watch.start(QStringLiteral(DEWSCOPE_CLI),
                { "watch", "--port", meter.path(), "--temp-limits=,25", "--alarm-delay=3",
                  "--json" });
    watch.waitForStarted();
    double worst = 0;
    int starts = 0;
    QObject::connect(&watch, &QProcess::readyReadStandardOutput, [&] {
        while (watch.canReadLine()) {
            const QJsonObject event = QJsonDocument::fromJson(watch.readLine()).object();
            if (event["event"] != "start" || event["channel"] != "temperature")
                continue;
            // The step to 30 °C came at 5 s into each 20 s of the profile.
            const QDateTime time = QDateTime::fromString(event["time"].toString(), Qt::ISODateWithMs);
            const double at = started.msecsTo(time) / 1000.0;
            const double late = at - (int(at / 20) * 20 + 5) - Delay;
            worst = qMax(worst, late);
            ++starts;
            std::printf("alarm start %2d at %7.3f s: %6.3f s after the delay had passed\n", starts,
                        at, late);
            std::fflush(stdout);
        }
    });
    const double cpuBefore = cpuSeconds(watch.processId());
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = cpuSeconds(watch.processId()) - cpuBefore;
    watch.terminate();
    watch.waitForFinished(10000);
    std::printf("watch over %d s: %.3f s CPU, %.3f %% of one core (target below 1 %%)\n", seconds,
                cpu, 100.0 * cpu / seconds);
    std::printf("alarm starts: %d, the latest %.3f s after its delay (target at most 0.5 + 0.2 s)\n",
                starts, worst);
    return 0;
}
