// CPU used by the live poll while it waits on a meter: a silent one (five empty waits, then
// blinking "No COM") and, for comparison, one sending a frame every 500 ms. The meter is the
// simulated one on a pseudo-terminal in the same process.
//
// Usage: bench_poll_idle [SECONDS]   (default 10 per phase)

#include "meter/SharedState.h"
#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "meter/PortMap.h"
#include "meter/SimulatedMeter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

using namespace dewscope;

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
        + usage.ru_stime.tv_usec / 1e6;
}

long contextSwitches()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

void runFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void measure(const char *name, int milliseconds, int ticksBefore, const int &ticks,
             const int &blinks)
{
    const int blinksBefore = blinks;
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = cpuSeconds();
    const long switchesBefore = contextSwitches();
    runFor(milliseconds);
    const double cpu = cpuSeconds() - cpuBefore;
    const double seconds = wall.elapsed() / 1000.0;
    std::printf("%-28s %6.2f s wall  %7.1f ms CPU  %6.3f %% of one core  %5ld wakeups/s  "
                "%d ticks ended, %d blink steps\n",
                name, seconds, cpu * 1000.0, 100.0 * cpu / seconds,
                static_cast<long>((contextSwitches() - switchesBefore) / seconds),
                ticks - ticksBefore, blinks - blinksBefore);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? qBound(1, atoi(argv[1]), 3600) : 10;

    SimulatedMeter meter;
    meter.setDrift(false);
    meter.setSilent(true);
    QString error;
    if (!meter.open(&error)) {
        std::fprintf(stderr, "bench_poll_idle: %s\n", qPrintable(error));
        return 1;
    }
    PortMap ports;
    ports.setOverride(meter.path());
    MeterLink link(&ports);
    link.setCommPort(1);
    if (link.open() != MeterLink::NoError) {
        std::fprintf(stderr, "bench_poll_idle: cannot open %s: %s\n", qPrintable(meter.path()),
                     qPrintable(link.errorString()));
        return 1;
    }
    SharedState state;
    state.comPortNumber = 1;
    state.meterOnline = true;
    Poll poll(&link, &state);
    int ticks = 0;
    int blinks = 0;
    QObject::connect(&poll, &Poll::tickFinished, [&ticks] { ++ticks; });
    QObject::connect(&poll, &Poll::blinkToggled, [&blinks] { ++blinks; });
    poll.setEnabled(true);

    std::printf("poll on %s, %d s per phase\n", qPrintable(meter.path()), seconds);
    measure("silent meter (wait, blink)", seconds * 1000, ticks, ticks, blinks);
    meter.setSilent(false);
    runFor(1000); // the blinking ends, frames are decoded
    measure("frame every 500 ms", seconds * 1000, ticks, ticks, blinks);
    poll.setEnabled(false);
    link.close();
    return 0;
}
