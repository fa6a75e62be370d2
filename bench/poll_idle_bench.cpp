// CPU used by the live poll while it waits on a meter: a silent one (five empty waits, then
// blinking "No COM") and, for comparison, one sending a frame every 500 ms. The meter is the
// simulated one on a pseudo-terminal in the same process.
//
// Usage: bench_poll_idle [SECONDS]   (default 10 per phase)

#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "meter/PortMap.h"
#include "meter/SharedState.h"
#include "meter/SimulatedMeter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

using namespace dewscope;

namespace {

// CPU seconds and context switches of the process so far.
std::pair<double, long> usage()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return { u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec
                 + u.ru_stime.tv_usec / 1e6,
             u.ru_nvcsw + u.ru_nivcsw };
}

void measure(const char *name, int milliseconds, const int &ticks, const int &blinks)
{
    const int ticksBefore = ticks;
    const int blinksBefore = blinks;
    QElapsedTimer wall;
    wall.start();
    const auto [cpuBefore, switchesBefore] = usage();
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    const auto [cpuAfter, switchesAfter] = usage();
    const double cpu = cpuAfter - cpuBefore;
    const double seconds = wall.elapsed() / 1000.0;
    std::printf("%-28s %6.2f s wall  %7.1f ms CPU  %6.3f %% of one core  %5ld wakeups/s  "
                "%d ticks ended, %d blink steps\n",
                name, seconds, cpu * 1000.0, 100.0 * cpu / seconds,
                static_cast<long>((switchesAfter - switchesBefore) / seconds), ticks - ticksBefore,
                blinks - blinksBefore);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? qBound(1, atoi(argv[1]), 3600) : 10;
    // The poll on the simulated meter's pseudo-terminal as COM 1.
    SimulatedMeter meter;
    meter.setDrift(false);
    meter.setSilent(true);
    PortMap ports;
    MeterLink link(&ports);
    QString error;
    if (meter.open(&error)) {
        ports.setOverride(meter.path());
        link.setCommPort(1);
        error = link.open() == MeterLink::NoError ? QString() : link.errorString();
    }
    if (!error.isEmpty()) {
        std::fprintf(stderr, "bench_poll_idle: %s\n", qPrintable(error));
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
    measure("silent meter (wait, blink)", seconds * 1000, ticks, blinks);
    meter.setSilent(false);
    measure("frame every 500 ms", seconds * 1000, ticks, blinks);
    return 0;
}
