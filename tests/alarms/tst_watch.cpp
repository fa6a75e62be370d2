#include "alarms/AlarmCommands.h"
#include "tests/common/BrokerRig.h"
#include "tests/common/TestData.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace dewscope;

// dewscope-cli watch following simulate --profile over a pseudo-terminal, with its log and a
// command per event; and the commands' limits with real processes.
class TestWatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void watchFollowsAProfile()
    {
        QTemporaryDir dir;
        QVERIFY(test::writeBytes(dir.filePath("cold.profile"),
                                 "0 20 50\n4 20 50\n6 30 50\n10 30 50\n10 20 50\n12 silent\n"));
        QProcess meter;
        meter.start(DEWSCOPE_CLI, { "simulate", "--profile", dir.filePath("cold.profile") });
        QVERIFY(QTest::qWaitFor([&] { return meter.canReadLine(); }, 20000));
        const QString port = QString::fromUtf8(meter.readLine()).trimmed();
        QProcess watch;
        const QString env = dir.filePath("env");
        watch.start(DEWSCOPE_CLI,
                    { "watch", "--port", port, "--temp-limits=,25", "--alarm-delay=2",
                      "--silence-delay=3", "--json", "--alarm-log", dir.filePath("alarms.log"),
                      "--alarm-exec",
                      "sh -c 'env | grep ^DEWSCOPE_ | sort > \"$0.$DEWSCOPE_EVENT.$DEWSCOPE_CHANNEL\"' "
                          + env });
        QByteArray out;
        QVERIFY(QTest::qWaitFor([&] { return (out += watch.readAllStandardOutput()).count('\n') >= 3; },
                                40000));
        QTest::qWait(500); // the last command's file
        watch.terminate();
        QVERIFY(watch.waitForFinished(20000));
        meter.terminate();
        QCOMPARE(watch.exitCode(), 0);
        const QList<QByteArray> lines = out.trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        // event, channel, side, limit, extreme; then the seconds from since to time (or
        // of an end) with their bounds: the delay, the excursion, the silence, each plus a
        // reading interval and generous slack.
        const QStringList expected { "start temperature above 25  ", "end temperature above 25 30 ",
                                     "start meter silent   " };
        const double bounds[3][2] = { { 2.0, 3.5 }, { 4.0, 6.5 }, { 3.0, 4.5 } };
        for (int i = 0; i < 3; ++i) {
            const QJsonObject o = QJsonDocument::fromJson(lines[i]).object();
            QCOMPARE(o.size(), 10);
            QString seen;
            for (const char *key : { "event", "channel", "side", "limit", "extreme" })
                seen += o[key].toVariant().toString() + ' ';
            QVERIFY2(seen.startsWith(expected[i]), qPrintable(seen));
            const QDateTime since = QDateTime::fromString(o["since"].toString(), Qt::ISODateWithMs);
            const QDateTime time = QDateTime::fromString(o["time"].toString(), Qt::ISODateWithMs);
            const double seconds = i == 1 ? o["seconds"].toDouble() : since.msecsTo(time) / 1000.0;
            QVERIFY2(seconds >= bounds[i][0] && seconds <= bounds[i][1], qPrintable(lines[i]));
            QVERIFY(o["time"].toString().contains(QRegularExpression("T\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$")));
        }
        const QStringList log = QString::fromUtf8(test::readBytes(dir.filePath("alarms.log"))).split('\n');
        QCOMPARE(log.size(), 4);
        QCOMPARE(log[0].section('\t', 1, 3) + log[0].section('\t', 5), "start\ttemperature\tabove25.0\t");
        QCOMPARE(log[2].section('\t', 1, 4), "start\tmeter\tsilent\t");
        const QString started = QString::fromUtf8(test::readBytes(env + ".start.temperature"));
        for (const QString &pair : QStringList { "DEWSCOPE_CHANNEL=temperature", "DEWSCOPE_LIMIT=25.0",
                                     QString::fromUtf8("DEWSCOPE_UNIT=°C"), "DEWSCOPE_PORT=" + port })
            QVERIFY2(started.contains(pair + '\n'), qPrintable(started));
        QVERIFY(test::readBytes(env + ".start.meter").contains("DEWSCOPE_SIDE=silent\n"));
    }

    // publish with a temperature limit against the broker: the alarm topic goes on and off,
    // retained, and the binary sensors' configurations stay on the broker.
    void publishAlarms()
    {
        test::BrokerRig broker;
        QVERIFY(broker.start());
        QTemporaryDir dir;
        QVERIFY(test::writeBytes(dir.filePath("p"), "0 20 50\n2 20 50\n2 30 50\n6 30 50\n6 20 50\n"));
        QProcess meter, publish, subscriber;
        subscriber.start("mosquitto_sub", { "-p", QString::number(broker.port), "-v", "-t", "lab/alarm/#" });
        meter.start(DEWSCOPE_CLI, { "simulate", "--profile", dir.filePath("p") });
        QVERIFY(QTest::qWaitFor([&] { return meter.canReadLine(); }, 20000));
        publish.start(DEWSCOPE_CLI, { "publish", "--port", QString::fromUtf8(meter.readLine()).trimmed(),
                                      "--broker", "127.0.0.1:" + QString::number(broker.port),
                                      "--topic", "lab", "--discovery", "--temp-limits=,25" });
        QByteArray seen;
        const auto offAfterOn = [&] {
            const int on = (seen += subscriber.readAll()).indexOf("lab/alarm/temperature {\"side\":\"above\"");
            return on > 0 && seen.indexOf("lab/alarm/temperature {\"side\":null", on) > on;
        };
        QVERIFY2(QTest::qWaitFor(offAfterOn, 40000) && seen.contains("lab/alarm/meter {\"side\":null,"),
                 seen.constData());
        publish.terminate();
        QVERIFY(publish.waitForFinished(20000));
        meter.terminate();
        subscriber.kill();
        QVERIFY(meter.waitForFinished(10000) && subscriber.waitForFinished(10000));
        QProcess retained;
        retained.start("mosquitto_sub", { "-p", QString::number(broker.port), "-v", "-W", "3", "-t",
                                          "homeassistant/binary_sensor/#", "-t", "lab/alarm/#" });
        retained.waitForFinished(10000);
        const QStringList lines = QString::fromUtf8(retained.readAllStandardOutput()).split('\n');
        QStringList found;
        for (const QString &line : lines) {
            const QJsonObject o = QJsonDocument::fromJson(line.section(' ', 1).toUtf8()).object();
            found << line.section(' ', 0, 0).section('/', -2) + ' ' + o["device_class"].toString()
                    + ' ' + o["unique_id"].toString().section('_', -2) + ' '
                    + (o.contains("availability_topic") ? "avail" : o["state"].toString());
        }
        found.sort();
        QCOMPARE(found.join(';').trimmed(), ";alarm/meter   off;alarm/temperature   off;"
                 "alarm_meter/config problem alarm_meter ;alarm_temperature/config problem alarm_temperature avail");
    }

    void commandProblems_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("problem");
        QTest::newRow("exits 3") << "sh -c 'exit 3'" << "exited with status 3";
        QTest::newRow("cannot start") << "/nonexistent/alarm-mail" << "cannot start";
        QTest::newRow("hangs past SIGTERM")
            << "sh -c 'echo $$ > \"$0\"; trap \"\" TERM; while :; do sleep 0.2; done' @PID"
            << "did not end within 0.3 s and was stopped";
    }
    void commandProblems()
    {
        QFETCH(QString, command);
        QTemporaryDir dir;
        const QString pidFile = dir.filePath("pid");
        AlarmCommands commands(*AlarmCommands::split(command.replace("@PID", pidFile), nullptr),
                               "/dev/null");
        commands.setTimes(300, 300);
        QSignalSpy problems(&commands, &AlarmCommands::problem);
        commands.run(AlarmEvent());
        QVERIFY(problems.wait(10000));
        QVERIFY2(problems.first().first().toString().contains(FETCHED(QString, problem)),
                 qPrintable(problems.first().first().toString()));
        const int pid = test::readBytes(pidFile).trimmed().toInt();
        QVERIFY(pid == 0 || ::kill(pid, 0) != 0); // the whole group is gone
    }

    // Four at once, the others wait in order; beyond 100 waiting an event is dropped; at exit the
    // waiting are given up and the running stopped after the grace.
    void commandQueue()
    {
        AlarmCommands commands({ "sleep", "30" }, "/dev/null");
        QSignalSpy problems(&commands, &AlarmCommands::problem);
        for (int i = 0; i < 105; ++i)
            commands.run(AlarmEvent());
        QCOMPARE(commands.runningCount(), 4);
        QCOMPARE(commands.waitingCount(), 100);
        QCOMPARE(problems.size(), 1);
        QElapsedTimer clock;
        clock.start();
        commands.finish(500);
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(commands.runningCount(), 0);
        QVERIFY(problems.at(1).first().toString().contains("100 waiting command(s) not run"));
    }
};

QTEST_GUILESS_MAIN(TestWatch)
#include "tst_watch.moc"
