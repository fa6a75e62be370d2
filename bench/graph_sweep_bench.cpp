// CPU used by the real-time graph: the live poll on a meter sending frames, alone and with the
// graph open and sweeping at the poll's 150 ms, in the same run (alone, graph, alone again).
// Windows are drawn on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
//
// Usage: bench_graph_sweep [SECONDS]   (default 20 per phase)

#include "graphs/RealTime24.h"
#include "graphs/RealTimeGraph.h"
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

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
        + usage.ru_stime.tv_usec / 1e6;
}

// Percent of one core over that many milliseconds of running the event loop.
double measure(const char *name, int milliseconds, const int &ticks)
{
    const int ticksBefore = ticks;
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = cpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    const double seconds = wall.elapsed() / 1000.0;
    const double percent = 100.0 * cpu / seconds;
    std::printf("%-26s %6.2f s wall  %7.1f ms CPU  %6.3f %% of one core  %4d sweep ticks\n", name,
                seconds, cpu * 1000.0, percent, ticks - ticksBefore);
    std::fflush(stdout);
    return percent;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? qBound(1, atoi(argv[1]), 3600) : 20;

    SimulatedMeter meter;
    QString error;
    PortMap ports;
    MeterLink link(&ports);
    link.setCommPort(1);
    const bool opened = meter.open(&error);
    ports.setOverride(meter.path());
    if (!opened || link.open() != MeterLink::NoError) {
        std::fprintf(stderr, "bench_graph_sweep: no simulated meter: %s\n", qPrintable(error));
        return 1;
    }
    SharedState state;
    state.comPortNumber = 1;
    state.meterOnline = true;
    Poll poll(&link, &state);
    poll.setEnabled(true);
    RealTimeGraph graph(&state, nullptr, poll.interval());
    int ticks = 0;

    std::printf("poll on %s (simulated meter in this process), %d s per phase\n",
                qPrintable(meter.path()), seconds);
    const double before = measure("poll alone", seconds * 1000, ticks);
    graph.open();
    QObject::connect(graph.window()->sweepTimer(), &QTimer::timeout, [&ticks] { ++ticks; });
    const double sweeping = measure("poll + graph sweeping", seconds * 1000, ticks);
    graph.close();
    const double after = measure("poll alone again", seconds * 1000, ticks);
    std::printf("graph beyond the poll alone: %.3f %% of one core (goal: at most 2 %%)\n",
                sweeping - (before + after) / 2);
    poll.setEnabled(false);
    link.close();
    return 0;
}
