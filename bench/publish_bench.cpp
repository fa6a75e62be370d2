// dewscope-cli publish at --interval 0 with the simulated meter sending every 100 ms: its CPU
// over 60 s with the broker up, then its resident memory over a broker outage (the readings
// wait in its queue). Usage: bench_publish [OUTAGE_SECONDS]   (default 600)

#include "meter/SimulatedMeter.h"
#include "tests/common/BrokerRig.h"

#include <cstdio>

using namespace dewscope;

// CPU seconds so far (fields 14 and 15 of /proc/PID/stat, after the name) and resident kB.
static std::pair<double, long> usage(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    stat.open(QIODevice::ReadOnly), status.open(QIODevice::ReadOnly);
    const QList<QByteArray> fields = stat.readAll().split(')').last().split(' ');
    const QByteArray text = status.readAll();
    return { (fields.at(12).toDouble() + fields.at(13).toDouble()) / sysconf(_SC_CLK_TCK),
             text.mid(text.indexOf("VmRSS:") + 6).trimmed().split(' ').value(0).toLong() };
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int outage = argc > 1 ? atoi(argv[1]) : 600;
    test::BrokerRig broker;
    SimulatedMeter meter;
    meter.setFrameInterval(100);
    QProcess publisher;
    publisher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!broker.start() || !meter.open())
        return 1;
    publisher.start(DEWSCOPE_CLI,
                    { "publish", "--port", meter.path(), "--interval", "0", "--broker",
                      QStringLiteral("127.0.0.1:%1").arg(broker.port) });
    QTest::qWait(5000);
    const auto [cpuBefore, rssBefore] = usage(publisher.processId());
    QTest::qWait(60000);
    const auto [cpuAfter, rssAfter] = usage(publisher.processId());
    std::printf("broker up 60 s: CPU %.3f %% of one core (goal < 1 %%), resident %ld kB (%+ld)\n",
                100 * (cpuAfter - cpuBefore) / 60, rssAfter, rssAfter - rssBefore);
    broker.stop();
    QTest::qWait(outage * 1000);
    const long rssOutage = usage(publisher.processId()).second;
    std::printf("broker away %d s: resident %ld kB, growth %ld kB (goal < 10240 kB)\n", outage,
                rssOutage, rssOutage - rssAfter);
    publisher.terminate();
    publisher.waitForFinished(20000);
}
