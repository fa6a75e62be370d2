// CPU used by the live poll and the real-time graph, in one run: the poll on a silent meter (five
// empty waits, then blinking "No COM"), on a meter sending frames, with the graph open and
// sweeping at the poll's 150 ms, and alone again. The meter is the simulated one on a
// pseudo-terminal in this process; windows are drawn on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
//
// Usage: bench_poll_cpu [SECONDS]   (default 20 per phase)

#include "graphs/RealTimeGraph.h"
#include "graphs/RealTimeGraphWindow.h"
#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "meter/PortMap.h"
#include "meter/SharedState.h"
#include "meter/SimulatedMeter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

using namespace dewscope;

namespace {

// What the phases count: poll ticks ended, blink steps, sweep ticks.
struct Counts
{
    int ticks = 0;
    int blinks = 0;
    int sweeps = 0;
};

// CPU seconds and context switches of the process so far.
std::pair<double, long> usage()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return { u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec
                 + u.ru_stime.tv_usec / 1e6,
             u.ru_nvcsw + u.ru_nivcsw };
}

// Percent of one core over that many milliseconds of running the event loop.
double measure(const char *name, int milliseconds, const Counts &counts)
{
    const Counts before = counts;
    QElapsedTimer wall;
    wall.start();
    const auto [cpuBefore, switchesBefore] = usage();
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    const auto [cpuAfter, switchesAfter] = usage();
    const double cpu = cpuAfter - cpuBefore;
    const double seconds = wall.elapsed() / 1000.0;
    const double percent = 100.0 * cpu / seconds;
    std::printf("%-26s %6.2f s wall %7.1f ms CPU %6.3f %% of one core %5ld wakeups/s  "
                "%d ticks, %d blink steps, %d sweep ticks\n",
                name, seconds, cpu * 1000.0, percent,
                static_cast<long>((switchesAfter - switchesBefore) / seconds),
                counts.ticks - before.ticks, counts.blinks - before.blinks,
                counts.sweeps - before.sweeps);
    std::fflush(stdout);
    return percent;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int ms = (argc > 1 ? qBound(1, atoi(argv[1]), 3600) : 20) * 1000;

    SimulatedMeter meter;
    meter.setDrift(false);
    meter.setSilent(true);
    QString error;
    PortMap ports;
    MeterLink link(&ports);
    link.setCommPort(1);
    const bool opened = meter.open(&error);
    ports.setOverride(meter.path());
    if (!opened || link.open() != MeterLink::NoError) {
        std::fprintf(stderr, "bench_poll_cpu: no simulated meter: %s\n",
                     qPrintable(opened ? link.errorString() : error));
        return 1;
    }
    SharedState state;
    state.comPortNumber = 1;
    state.meterOnline = true;
    Poll poll(&link, &state);
    Counts counts;
    QObject::connect(&poll, &Poll::tickFinished, [&counts] { ++counts.ticks; });
    QObject::connect(&poll, &Poll::blinkToggled, [&counts] { ++counts.blinks; });
    poll.setEnabled(true);
    RealTimeGraph graph(&state, nullptr, poll.interval());

    std::printf("poll on %s, %d s per phase\n", qPrintable(meter.path()), ms / 1000);
    measure("silent meter (wait, blink)", ms, counts);
    meter.setSilent(false);
    const double before = measure("frames, poll alone", ms, counts);
    graph.open();
    QObject::connect(graph.window()->sweepTimer(), &QTimer::timeout,
                     [&counts] { ++counts.sweeps; });
    const double sweeping = measure("poll + graph sweeping", ms, counts);
    graph.close();
    const double after = measure("poll alone again", ms, counts);
    std::printf("graph beyond the poll alone: %.3f %% of one core (goal: at most 2 %%)\n",
                sweeping - (before + after) / 2);
    poll.setEnabled(false);
    link.close();
    return 0;
}
