#include "meter/SimulatedMeter.h"
#include "publish/MqttMessages.h"
#include "publish/PendingReadings.h"
#include "tests/common/BrokerRig.h"
#include "tests/common/CommandRun.h"
#include "tests/common/TestData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>
#include <functional>
#include <optional>

using namespace dewscope;
using test::row;

// dewscope-cli publish against Debian's broker, with the simulated meter on a pseudo-terminal
// and mosquitto_sub as the subscriber; and the publisher's plain logic.
class TestPublish : public QObject
{
    Q_OBJECT

    std::optional<test::BrokerRig> m_broker;
    std::optional<SimulatedMeter> m_meter;
    QProcess m_subscriber;
    QString m_received;

    // The broker, with the given second listener, and a subscriber to everything with a lasting
    // session (clean session off, fixed id, QoS 1) that has subscribed.
    bool startBroker(const QString &secondListener = QString())
    {
        if (!m_broker->start(secondListener))
            return false;
        m_subscriber.start(QStringLiteral("mosquitto_sub"),
                           { "-p", QString::number(m_broker->port), "-t", "#", "-t",
                             "$SYS/broker/version", "-v", "-q", "1", "-c", "-i", "test-sub" });
        return QTest::qWaitFor([&] { return !received("version").isEmpty(); }, 20000);
    }

    // The payloads (or "topic payload" lines) received on topics ending with suffix, in order.
    QStringList received(const QString &suffix, bool withTopics = false)
    {
        m_received += QString::fromUtf8(m_subscriber.readAllStandardOutput());
        QStringList lines;
        for (const QString &line : m_received.split('\n'))
            if (line.section(' ', 0, 0).endsWith(suffix) && line.contains(' '))
                lines << (withTopics ? line : line.section(' ', 1));
        return lines;
    }

    // Runs publish at the meter until done() holds (then the signal), or for 90 s at most.
    void publish(test::CommandRun &run, QStringList args, const std::function<bool()> &done,
                 int signalNumber = SIGTERM)
    {
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (done())
                watch.stop(), ::raise(signalNumber);
        });
        watch.start(100);
        QTimer::singleShot(90000, &watch, [] { ::raise(SIGTERM); });
        args.replaceInStrings("@DIR", m_broker->dir.path());
        run.exec(QStringList { "publish", "--port", m_meter->linkPath(), "--broker",
                               QStringLiteral("127.0.0.1:%1").arg(m_broker->port) }
                 + args);
    }

private Q_SLOTS:
    // Local time 3 h 30 min behind UTC, without summer time: the payloads carry -03:30.
    void initTestCase() { qputenv("TZ", "XYZ3:30"); }
    void cleanup() { m_subscriber.kill(), m_subscriber.waitForFinished(); }
    void init()
    {
        m_meter.reset();
        m_broker.emplace();
        m_received.clear();
        m_meter.emplace();
        m_meter->setDrift(false);
        m_meter->setFrameInterval(200);
        m_meter->setLinkPath(m_broker->path("meter-1"));
        QVERIFY(m_meter->open());
    }

    // The default name: the host name and the port's base name, characters outside
    // A-Za-z0-9_- replaced. A name given takes those characters only.
    void names()
    {
        QCOMPARE(MqttMessages::nodeName("lab-pc", "/dev/ttyUSB0"), QString("lab-pc_ttyUSB0"));
        QCOMPARE(MqttMessages::nodeName("Büro 2.lab", "COM3"), QString("B_ro_2_lab_COM3"));
        using namespace MqttMessages;
        QCOMPARE(QList<bool>({ isMeterName("cold-4_B"), isMeterName("cold room"), isMeterName(""),
                               isMeterName("Büro") }),
                 QList<bool>({ true, false, false, false }));
        // Three intervals, rounded up, at least 30 s.
        QCOMPARE(QList<int>({ expireAfterSeconds(0), expireAfterSeconds(10000),
                              expireAfterSeconds(20000), expireAfterSeconds(10500) }),
                 QList<int>({ 30, 30, 60, 32 }));
    }

    // The wait between attempts grows from 1 s to 30 s. The queue drops the oldest beyond its
    // bound and hands the readings of a lost connection over again, late.
    void backOffAndQueue()
    {
        QList<int> delays;
        for (int failures = 0; failures < 7; ++failures)
            delays << MqttMessages::reconnectDelaySeconds(failures);
        QCOMPARE(delays, QList<int>({ 1, 2, 4, 8, 16, 30, 30 }));
        PendingReadings queue(3);
        for (const char *reading : { "a", "b", "c", "d" })
            queue.push(reading, false);
        queue.markHanded(7); // b
        queue.connectionLost();
        bool late = false;
        QVERIFY(queue.dropped() == 1 && *queue.nextToHand(1) == "b" && queue.hasLate());
        queue.markHanded(8);
        QVERIFY(!queue.nextToHand(1) && queue.acknowledge(8, &late) && late && !queue.hasLate());
        QCOMPARE(*queue.nextToHand(1), QByteArray("c"));
    }

    void statePayloads_data()
    {
        // Over range: 0 none, 1 temperature, 2 negative temperature, 3 humidity.
        QTest::addColumn<int>("overRange");
        QTest::addColumn<QString>("values"); // the payload after its time
        const QString all = "\"temperature_c\",\"dew_point_c\",\"wet_bulb_c\",\"temperature_f\","
                            "\"dew_point_f\",\"wet_bulb_f\"";
        const QString nulls = "\"temperature_c\":null,\"humidity\":50.0,\"dew_point_c\":null,"
                              "\"wet_bulb_c\":null,\"temperature_f\":null,\"dew_point_f\":null,"
                              "\"wet_bulb_f\":null,";
        row("25.0 °C, 50.0 %", 0,
            QString("\"temperature_c\":25.0,\"humidity\":50.0,\"dew_point_c\":13.9,\"wet_bulb_c\":"
                    "18.0,\"temperature_f\":77.0,\"dew_point_f\":57.0,\"wet_bulb_f\":64.4,"
                    "\"over_range\":[],\"under_range\":[]}"));
        row("temperature OL", 1, nulls + "\"over_range\":[" + all + "],\"under_range\":[]}");
        row("temperature -OL", 2, nulls + "\"over_range\":[],\"under_range\":[" + all + "]}");
        row("humidity OL", 3,
            QString("\"temperature_c\":25.0,\"humidity\":null,\"dew_point_c\":null,\"wet_bulb_c\":"
                    "null,\"temperature_f\":77.0,\"dew_point_f\":null,\"wet_bulb_f\":null,"
                    "\"over_range\":[\"humidity\",\"dew_point_c\",\"wet_bulb_c\",\"dew_point_f\","
                    "\"wet_bulb_f\"],\"under_range\":[]}"));
    }

    // The state payload as the recorder's figures; on the default topics, with the discovery
    // configurations naming them.
    void statePayloads()
    {
        const int overRange = FETCHED(int, overRange);
        m_meter->setTemperatureOverRange(overRange == 1 || overRange == 2, overRange == 2);
        m_meter->setHumidityOverRange(overRange == 3);
        QVERIFY(startBroker());
        test::CommandRun run;
        publish(run, { "--interval", "0", "--discovery" },
                [&] { return !received("/state").isEmpty(); });
        QCOMPARE(run.code, 0);
        const QString state = received("/state", true).value(0);
        const QRegularExpressionMatch match
            = QRegularExpression(
                  R"(^dewscope/([A-Za-z0-9_-]+_meter-1)/state )"
                  R"x(\{"time":"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}-03:30)",(.*)$)x")
                  .match(state);
        QVERIFY2(match.hasMatch(), qPrintable(state));
        QCOMPARE(match.captured(3), FETCHED(QString, values));
        QVERIFY(QJsonDocument::fromJson(state.section(' ', 1).toUtf8()).isObject());
        const QDateTime time = QDateTime::fromString(match.captured(2), Qt::ISODate);
        QVERIFY(qAbs(time.secsTo(QDateTime::currentDateTimeUtc())) < 120);

        const QString node = match.captured(1);
        const QStringList configs = received("/config", true);
        QCOMPARE(configs.size(), 5);
        const QStringList channels { "temperature", "humidity", "dew_point", "wet_bulb" };
        const QStringList keys { "temperature_c", "humidity", "dew_point_c", "wet_bulb_c" };
        for (int i = 0; i < 4; ++i) {
            const QJsonObject config
                = QJsonDocument::fromJson(configs.at(i).section(' ', 1).toUtf8()).object();
            QStringList fields { configs.at(i).section(' ', 0, 0) };
            for (const char *key : { "unique_id", "state_topic", "availability_topic",
                                     "value_template", "unit_of_measurement", "state_class" })
                fields << config[key].toString();
            QCOMPARE(fields,
                     QStringList({ "homeassistant/sensor/" + node + '/' + channels[i] + "/config",
                                   node + '_' + channels[i], "dewscope/" + node + "/state",
                                   "dewscope/" + node + "/availability",
                                   "{{ value_json." + keys[i] + " }}", i == 1 ? "%" : "°C",
                                   "measurement" }));
            QCOMPARE(config["device"]["identifiers"].toArray().size(), 1);
        }
    }

    // What a subscriber arriving now is given: the retained messages under the topic filter.
    QString retained(const QString &filter)
    {
        QProcess sub;
        sub.start("mosquitto_sub",
                  { "-p", QString::number(m_broker->port), "-t", filter, "-v", "--retained-only",
                    "-W", "3" });
        sub.waitForFinished(20000);
        return QString::fromUtf8(sub.readAllStandardOutput());
    }

    void namedMeter_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("expireAfter");
        QTest::addColumn<int>("qos"); // in the configurations; 0: not given
        row("QoS 1, every reading", QStringList { "--interval", "0" }, 30, 1);
        row("QoS 0, every 20 s", QStringList { "--interval", "20", "--qos", "0" }, 60, 0);
    }

    // A meter named on the command line: the dashboard's keys, the same ids from another port,
    // the state kept for a new subscriber, the dashboard's "online" answered, and --forget.
    void namedMeter()
    {
        QVERIFY(startBroker());
        const QStringList args = FETCHED(QStringList, args)
            + QStringList { "--name", "cold-4", "--label", "Cold room 4", "--discovery" };
        QElapsedTimer sinceBirth;
        test::CommandRun run;
        publish(run, args, [&] {
            if (!sinceBirth.isValid() && !received("/state").isEmpty()) {
                QProcess::execute("mosquitto_pub",
                                  { "-p", QString::number(m_broker->port), "-t",
                                    "homeassistant/status", "-m", "online" });
                sinceBirth.start();
            }
            return received("/config").size() == 10;
        });
        QVERIFY2(sinceBirth.elapsed() < 7000, qPrintable(run.err())); // a 0-5 s wait + 2 s
        const QStringList configs = received("/config", true);
        const QStringList ids { "temperature", "humidity", "dew_point", "wet_bulb", "time" };
        for (int i = 0; i < 5; ++i) {
            const QJsonObject c
                = QJsonDocument::fromJson(configs.at(i).section(' ', 1).toUtf8()).object();
            QCOMPARE(configs.at(i).section(' ', 0, 0),
                     "homeassistant/sensor/cold-4/" + ids[i] + "/config");
            QCOMPARE(
                QStringList({ c["unique_id"].toString(), c["default_entity_id"].toString(),
                              c["state_topic"].toString(), c["availability_topic"].toString(),
                              c["origin"]["name"].toString(), c["device"]["name"].toString(),
                              c["device"]["manufacturer"].toString(),
                              c["device"]["identifiers"][0].toString() }),
                QStringList({ "cold-4_" + ids[i], "sensor.cold_4_" + ids[i],
                              "dewscope/cold-4/state", "dewscope/cold-4/availability", "Dewscope",
                              "Cold room 4", "Maker not given", "dewscope_cold-4" }));
            QVERIFY(!c["device"].toObject().contains("sw_version"));
            QCOMPARE(c["expire_after"].toInt(), FETCHED(int, expireAfter));
            QCOMPARE(c["qos"].toInt(), FETCHED(int, qos));
            QCOMPARE(c["json_attributes_topic"].toString(), i < 4 ? "dewscope/cold-4/state" : "");
            QCOMPARE(c["entity_category"].toString(), i < 4 ? "" : "diagnostic");
            QCOMPARE(configs.at(i + 5), configs.at(i)); // the answer to "online"
        }
        QCOMPARE(QJsonDocument::fromJson(configs.at(4).section(' ', 1).toUtf8())["device_class"],
                 "timestamp");
        // Another port, the same name: the same configurations.
        m_meter->close();
        m_meter->setLinkPath(m_broker->path("meter-2"));
        QVERIFY(m_meter->open());
        test::CommandRun again;
        publish(again, args, [&] { return received("/config").size() == 15; });
        QCOMPARE(received("/config", true).mid(10), configs.mid(0, 5));
        QVERIFY(retained("dewscope/cold-4/state").startsWith("dewscope/cold-4/state {\"time\""));
        test::CommandRun forget;
        forget.exec({ "publish", "--forget", "--name", "cold-4", "--broker",
                      QStringLiteral("127.0.0.1:%1").arg(m_broker->port) });
        QCOMPARE(forget.code, 0);
        QCOMPARE(retained("#"), QString());
    }

    // Availability from the real program: online, offline while the meter is silent, online
    // again, and offline as the last will after kill -9.
    void availability()
    {
        QVERIFY(startBroker());
        QProcess program;
        program.start(DEWSCOPE_CLI,
                      { "publish", "--port", m_meter->linkPath(), "--broker",
                        QStringLiteral("127.0.0.1:%1").arg(m_broker->port) });
        const auto reaches = [&](const QString &tail) {
            return QTest::qWaitFor(
                [&] {
                    QStringList states = received("/availability");
                    states.erase(std::unique(states.begin(), states.end()), states.end());
                    return states.join(' ').endsWith(tail);
                },
                30000);
        };
        QVERIFY(reaches(" online"));
        m_meter->setSilent(true);
        QVERIFY(reaches(" online offline"));
        m_meter->setSilent(false);
        QVERIFY(reaches(" online offline online"));
        program.kill();
        QVERIFY(reaches(" online offline online offline"));
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);
    }

    // The broker stopped for 6 s and started again, at QoS 1 and a reading every poll (each
    // reading 0.1 °C above the one before): every reading reaches the subscriber, in order (a
    // repeat of one already received allowed), and stderr tells how many were late.
    void outage()
    {
        int tenths = 0;
        connect(&*m_meter, &SimulatedMeter::frameSent,
                [&] { m_meter->setValues(++tenths / 10.0, 50); });
        QVERIFY(startBroker());
        QTimer::singleShot(3000, [&] { m_broker->stop(); });
        QTimer::singleShot(9000, [&] { QVERIFY(m_broker->start()); });
        test::CommandRun run;
        publish(run, { "--interval", "0", "--qos", "1" },
                [&] { return run.err().contains("sent late") && received("/state").size() > 60; });
        QCOMPARE(run.code, 0);
        QList<double> seen; // first arrivals
        for (const QString &state : received("/state")) {
            const double t = QJsonDocument::fromJson(state.toUtf8())["temperature_c"].toDouble();
            QVERIFY2(seen.isEmpty() || seen.contains(t) || t > seen.last(), qPrintable(state));
            if (!seen.contains(t))
                seen << t;
        }
        const QRegularExpressionMatch back
            = QRegularExpression(
                  R"(the broker 127.0.0.1:\d+ is unreachable \(.+\); readings )"
                  R"(wait until it is back\n[\s\S]*the broker is back: (\d+) )"
                  R"(reading\(s\) sent late, 0 dropped\n[\s\S]*: (\d+) reading\(s\) )"
                  R"(published, (\d+) sent late, 0 dropped)")
                  .match(run.err());
        QVERIFY2(back.hasMatch() && back.captured(1).toInt() > 5
                     && back.captured(3) == back.captured(1)
                     && back.captured(2).toInt() == seen.size(),
                 qPrintable(run.err()));
    }

    void stopWithQueue_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("brokerBack"); // started again 1 s after the stop
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        row("SIGTERM, the broker away", int(SIGTERM), false, 1,
            QString("queued reading(s) did not reach the broker within 5 s of the stop"));
        row("SIGHUP, the broker back within 5 s", int(SIGHUP), true, 0,
            QString(" dropped, 0 not sent\n"));
    }
    // Stopped while QoS 1 readings wait for a broker that went away: the command waits up to
    // 5 s for the broker, and readings still queued then are lost and fail the run.
    void stopWithQueue()
    {
        QVERIFY(startBroker());
        QTimer::singleShot(2000, [&] { m_broker->stop(); });
        int waits = 0;
        test::CommandRun run;
        publish(
            run, { "--interval", "0" },
            [&] {
                if (!run.err().contains("unreachable") || ++waits < 10)
                    return false;
                if (FETCHED(bool, brokerBack))
                    QTimer::singleShot(1000, [&] { QVERIFY(m_broker->start()); });
                return true;
            },
            FETCHED(int, signalNumber));
        QTEST(run.code, "code");
        QVERIFY2(run.err().contains(FETCHED(QString, message)), qPrintable(run.err()));
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("password"); // in DEWSCOPE_MQTT_PASSWORD
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QString refused("refused the credentials (Connection Refused: not authorised)");
        const QStringList user { "--username", "meter" };
        row("wrong password, environment", user, QString("s3cret!"), 1, refused);
        row("wrong password, file", user + QStringList { "--password-file", "@DIR/wrong" },
            QString(), 1, refused);
        row("right password, file", user + QStringList { "--password-file", "@DIR/right" },
            QString("s3cret!"), 0, QString());
        row("TLS, the broker's CA", QStringList { "--cafile", "@DIR/ca.crt" }, QString(), 0,
            QString());
        row("TLS, nothing listening",
            QStringList { "--cafile", "@DIR/ca.crt", "--broker", "127.0.0.1:1" }, QString(), 0,
            QString("127.0.0.1:1 is unreachable (the connection was refused or reset)"));
        row("TLS, another CA", QStringList { "--cafile", "@DIR/other.crt" }, QString(), 1,
            QString(
                "is refused (OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify"));
    }

    // Refused credentials and a broker whose certificate fails the check end the command; a TLS
    // broker that cannot be reached is an outage, said at once.
    void refusals()
    {
        const QString script(
            "cd '%1' && exec 2>openssl.log && mosquitto_passwd -b -c passwords meter s3cret && "
            "echo s3cret >right && echo nope >wrong && o='openssl req -x509 -newkey ec -pkeyopt "
            "ec_paramgen_curve:prime256v1 -nodes -days 1' && $o -subj /CN=CA -keyout ca.key -out "
            "ca.crt && $o -subj /CN=CA -keyout other.key -out other.crt && $o -subj /CN=127.0.0.1 "
            "-CA ca.crt -CAkey ca.key -keyout server.key -out server.crt -addext "
            "subjectAltName=IP:127.0.0.1 && chmod 644 *");
        QCOMPARE(QProcess::execute("sh", { "-c", script.arg(m_broker->dir.path()) }), 0);
        // The second listener: a password file, or TLS.
        QVERIFY(startBroker(FETCHED(QStringList, args).contains("--cafile")
                                ? "allow_anonymous true\ncafile @DIR/ca.crt\ncertfile "
                                  "@DIR/server.crt\nkeyfile @DIR/server.key"
                                : "password_file @DIR/passwords"));
        m_broker->port = m_broker->securePort;
        qputenv("DEWSCOPE_MQTT_PASSWORD", FETCHED(QString, password).toUtf8());
        test::CommandRun run;
        publish(run, FETCHED(QStringList, args), [&] {
            return received("/availability").contains("online")
                || run.err().contains("unreachable");
        });
        qunsetenv("DEWSCOPE_MQTT_PASSWORD");
        QTEST(run.code, "code");
        QVERIFY2(run.err().contains(FETCHED(QString, message)), qPrintable(run.err()));
    }
};

QTEST_GUILESS_MAIN(TestPublish)
#include "tst_publish.moc"
