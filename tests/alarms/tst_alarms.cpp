#include "alarms/AlarmCommands.h"
#include "alarms/AlarmMonitor.h"
#include "meter/MeterProfile.h"

#include <QJsonDocument>
#include <QtTest>

using namespace dewscope;

// The alarm model through hand-worked timelines (readings with their times, no clock), the event
// texts, command splitting and the simulator's profiles.
class TestAlarms : public QObject
{
    Q_OBJECT

    const QDateTime m_base { QDate(2026, 3, 1), QTime(14, 5, 9, 250), Qt::OffsetFromUTC, 3600 };

    static SummaryLimits limits(const QString &text)
    {
        SummaryLimits l;
        const QStringList sides = text.split(',');
        if (sides.size() == 2 && !sides[0].isEmpty())
            l.low = sides[0].toDouble();
        if (sides.size() == 2 && !sides[1].isEmpty())
            l.high = sides[1].toDouble();
        return l;
    }
    static MeterValue value(const QString &text)
    {
        if (text == "OL" || text == "-OL")
            return MeterValue::overload(text == "-OL");
        return text == "-" ? MeterValue() : MeterValue::number(text.toDouble());
    }
    QString at(const QDateTime &time) const { return QString::number(m_base.msecsTo(time) / 1e3); }
    QString describe(const AlarmEvent &e) const
    {
        QString s = AlarmEvent::kindName(e.kind) + ' ' + AlarmEvent::channelName(e.channel) + ' '
            + AlarmEvent::sideName(e.side) + (e.value.isSet() ? ' ' + AlarmEvent::valueText(e.value) : "")
            + " @" + at(e.time) + " since " + at(e.since);
        if (e.seconds)
            s += " for " + QString::number(*e.seconds);
        return s + (e.extreme.isSet() ? " extreme " + AlarmEvent::valueText(e.extreme) : "");
    }

private Q_SLOTS:
    void timeline_data()
    {
        QTest::addColumn<QString>("temp");
        QTest::addColumn<QString>("rh");
        QTest::addColumn<double>("delay");
        QTest::addColumn<double>("silence");
        QTest::addColumn<QString>("script"); // "SECONDS T [RH]", "SECONDS ack|silence|remind",
                                             // "SECONDS limits LOW,HIGH" (temperature)
        QTest::addColumn<QString>("expected");
        QTest::newRow("delay just shorter") << ",8" << "" << 10.0 << 0.0
                                            << "0 7.0; 1 8.5; 10.9 8.6; 12 7.0" << "";
        QTest::newRow("delay just longer")
            << ",8" << "" << 10.0 << 0.0 << "0 7.0; 1 8.5; 11 8.6; 12 8.4; 13 7.4"
            << "start temperature above 8.6 @11 since 1; "
               "end temperature above 7.4 @13 since 1 for 12 extreme 8.6";
        QTest::newRow("hysteresis holds the alarm")
            << "2,8" << "" << 0.0 << 0.0 << "0 8.1; 5 7.6; 10 8.3; 15 7.5"
            << "start temperature above 8.1 @0 since 0; "
               "end temperature above 7.5 @15 since 0 for 15 extreme 8.3";
        QTest::newRow("-OL below, OL above")
            << "2,8" << "" << 0.0 << 0.0 << "0 -OL; 3 1.9; 6 2.4; 9 2.5; 12 OL"
            << "start temperature below -OL @0 since 0; "
               "end temperature below 2.5 @9 since 0 for 9 extreme -OL; "
               "start temperature above OL @12 since 12";
        QTest::newRow("OL with no high limit is inside")
            << "2," << "" << 0.0 << 0.0 << "0 OL; 5 1.0" << "start temperature below 1.0 @5 since 5";
        QTest::newRow("the other side starts the delay again")
            << "2,8" << "" << 5.0 << 0.0 << "0 9.0; 3 1.0; 7 1.5; 8 1.2"
            << "start temperature below 1.2 @8 since 3";
        QTest::newRow("a missing reading ends the delay")
            << ",8" << "" << 5.0 << 0.0 << "0 9.0; 2 -; 6 9.0; 10 9.0; 11 9.0"
            << "start temperature above 9.0 @11 since 6";
        QTest::newRow("acknowledged once, active until it ends")
            << ",8" << "" << 0.0 << 0.0 << "0 9.0; 1 remind; 5 ack; 6 ack; 7 remind; 10 7.0"
            << "start temperature above 9.0 @0 since 0; remind; "
               "ack temperature above 9.0 @5 since 0; quiet; "
               "end temperature above 7.0 @10 since 0 for 10 extreme 9.0";
        QTest::newRow("limit removed during an alarm")
            << ",8" << "" << 0.0 << 0.0 << "0 9.0; 5 limits 2,; 6 9.0"
            << "start temperature above 9.0 @0 since 0; "
               "end temperature above 9.0 @5 since 0 for 5 extreme 9.0";
        QTest::newRow("limit raised during an alarm")
            << ",8" << "" << 0.0 << 0.0 << "0 9.0; 5 limits ,10; 6 9.8; 7 9.4"
            << "start temperature above 9.0 @0 since 0; "
               "end temperature above 9.4 @7 since 0 for 7 extreme 9.8";
        QTest::newRow("new limits restart a pending delay")
            << ",8" << "" << 10.0 << 0.0 << "0 9.0; 5 limits ,8.5; 12 9.0; 16 9.0; 22 9.0"
            << "start temperature above 9.0 @22 since 12";
        QTest::newRow("silence keeps an active alarm")
            << ",8" << "" << 0.0 << 60.0 << "0 9.0; 59 silence; 61 silence; 62 silence; 80 7.0"
            << "start temperature above 9.0 @0 since 0; start meter silent @61 since 0; "
               "end meter silent @80 since 0 for 80; "
               "end temperature above 7.0 @80 since 0 for 80 extreme 9.0";
        QTest::newRow("silence ends a pending alarm")
            << ",8" << "" << 30.0 << 20.0 << "0 9.0; 25 silence; 40 9.0; 75 9.0"
            << "start meter silent @25 since 0; end meter silent @40 since 0 for 40; "
               "start temperature above 9.0 @75 since 40";
        QTest::newRow("silence before the first reading")
            << "" << "" << 0.0 << 10.0 << "9 silence; 12 silence" << "start meter silent @12 since 0";
        QTest::newRow("humidity with its hysteresis")
            << "" << "30,70" << 0.0 << 0.0 << "0 25 71; 4 25 69; 8 25 68"
            << "start humidity above 71.0 @0 since 0; "
               "end humidity above 68.0 @8 since 0 for 8 extreme 71.0";
    }
    void timeline()
    {
        QFETCH(QString, temp);
        QFETCH(QString, rh);
        QFETCH(double, delay);
        QFETCH(double, silence);
        QFETCH(QString, script);
        QFETCH(QString, expected);
        AlarmSettings settings;
        settings.temperature = limits(temp);
        settings.humidity = limits(rh);
        settings.delay = delay;
        settings.silenceDelay = silence;
        AlarmMonitor monitor(settings);
        monitor.start(0);
        QStringList seen;
        for (const QString &step : script.split("; ")) {
            const QStringList w = step.split(' ');
            const qint64 ms = qRound64(w[0].toDouble() * 1000);
            const QDateTime time = m_base.addMSecs(ms);
            QList<AlarmEvent> events;
            if (w[1] == "ack") {
                events = monitor.acknowledge(time);
            } else if (w[1] == "silence") {
                events = monitor.checkSilence(ms, time);
            } else if (w[1] == "remind") {
                seen << (monitor.needsReminder() ? "remind" : "quiet");
            } else if (w[1] == "limits") {
                settings.temperature = limits(w[2]);
                events = monitor.setSettings(settings, ms, time);
            } else {
                events = monitor.addReading(
                    { value(w[1]), value(w.value(2, "50")), ms, time });
            }
            for (const AlarmEvent &e : events)
                seen << describe(e);
        }
        QCOMPARE(seen.join("; "), expected);
    }

    void settingsProblems_data()
    {
        QTest::addColumn<QString>("temp");
        QTest::addColumn<bool>("fahrenheit");
        QTest::addColumn<double>("hysteresis"); // -1: the unit's default
        QTest::addColumn<bool>("refused");
        QTest::newRow("just under half the span") << "2,8" << false << 2.9 << false;
        QTest::newRow("half the span") << "2,8" << false << 3.0 << true;
        QTest::newRow("°F default 0.9 on a span of 1.8") << "40,41.8" << true << -1.0 << true;
        QTest::newRow("°F default 0.9 on a span of 2") << "40,42" << true << -1.0 << false;
        QTest::newRow("°C default 0.5 on a span of 1") << "4,5" << false << -1.0 << true;
        QTest::newRow("one limit, any hysteresis") << ",8" << false << 40.0 << false;
        QTest::newRow("low above high") << "8,2" << false << 0.5 << true;
    }
    void settingsProblems()
    {
        QFETCH(QString, temp);
        QFETCH(bool, fahrenheit);
        QFETCH(double, hysteresis);
        QFETCH(bool, refused);
        AlarmSettings settings;
        settings.temperature = limits(temp);
        settings.fahrenheit = fahrenheit;
        if (hysteresis >= 0)
            settings.temperatureHysteresis = hysteresis;
        QCOMPARE(!settings.problem().isEmpty(), refused);
    }

    void eventTexts_data()
    {
        QTest::addColumn<bool>("end");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("environment");
        QTest::newRow("start") << false
            << "2026-03-01T14:05:19.250+01:00 start temperature above 8.4 °C, limit 8.0 °C, since "
               "2026-03-01T14:05:09.250+01:00"
            << "{\"channel\":\"temperature\",\"event\":\"start\",\"extreme\":null,\"limit\":8,"
               "\"seconds\":null,\"side\":\"above\",\"since\":\"2026-03-01T14:05:09.250+01:00\","
               "\"time\":\"2026-03-01T14:05:19.250+01:00\",\"unit\":\"°C\",\"value\":8.4}"
            << "2026-03-01T14:05:19.250+01:00\tstart\ttemperature\tabove\t8.4\t8.0\t"
            << "start temperature above 8.4 8.0 °C 2026-03-01T14:05:09.250+01:00 "
               "2026-03-01T14:05:19.250+01:00   /dev/ttyUSB0";
        QTest::newRow("end") << true
            << "2026-03-01T14:05:19.250+01:00 end temperature above 8.4 °C, limit 8.0 °C, after "
               "90.5 s, extreme OL °C, since 2026-03-01T14:05:09.250+01:00"
            << "{\"channel\":\"temperature\",\"event\":\"end\",\"extreme\":\"OL\",\"limit\":8,"
               "\"seconds\":90.5,\"side\":\"above\",\"since\":\"2026-03-01T14:05:09.250+01:00\","
               "\"time\":\"2026-03-01T14:05:19.250+01:00\",\"unit\":\"°C\",\"value\":8.4}"
            << "2026-03-01T14:05:19.250+01:00\tend\ttemperature\tabove\t8.4\t8.0\t90.5"
            << "end temperature above 8.4 8.0 °C 2026-03-01T14:05:09.250+01:00 "
               "2026-03-01T14:05:19.250+01:00 90.5 OL /dev/ttyUSB0";
    }
    void eventTexts()
    {
        QFETCH(bool, end);
        QFETCH(QString, text);
        QFETCH(QString, json);
        QFETCH(QString, log);
        QFETCH(QString, environment);
        AlarmEvent e;
        e.kind = end ? AlarmEvent::Kind::End : AlarmEvent::Kind::Start;
        e.value = MeterValue::number(8.4);
        e.limit = 8.0;
        e.unit = QString::fromUtf8("°C");
        e.since = m_base;
        e.time = m_base.addSecs(10);
        if (end) {
            e.seconds = 90.5;
            e.extreme = MeterValue::overload(false);
        }
        QCOMPARE(e.text(), text);
        QCOMPARE(QString::fromUtf8(QJsonDocument(e.json()).toJson(QJsonDocument::Compact)), json);
        QCOMPARE(e.logLine(), log);
        QStringList values;
        for (const QString &pair : e.environment("/dev/ttyUSB0"))
            values << pair.section('=', 1);
        QCOMPARE(values.join(' '), environment);
    }

    void split_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("words"); // empty: refused
        QTest::newRow("single quotes") << "mail -s 'Cold room' ops@example.org"
                                       << QStringList { "mail", "-s", "Cold room", "ops@example.org" };
        QTest::newRow("double quotes and backslashes")
            << "a \"b \\\"c\\\" \\$HOME \\x\" d\\ e" << QStringList { "a", "b \"c\" $HOME \\x", "d e" };
        QTest::newRow("nothing expanded") << "echo $HOME * ~ `id`"
                                          << QStringList { "echo", "$HOME", "*", "~", "`id`" };
        QTest::newRow("quotes join a word") << "a''b \"\"" << QStringList { "ab", "" };
        QTest::newRow("unclosed quote") << "say 'hello" << QStringList();
        QTest::newRow("blank") << "  \t " << QStringList();
        QTest::newRow("lone backslash") << "say \\" << QStringList();
    }
    void split()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        QString error;
        QCOMPARE(AlarmCommands::split(line, &error).value_or(QStringList()), words);
        QCOMPARE(error.isEmpty(), !words.isEmpty());
    }

    void profile_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("expected"); // "T RH", "silent", or the error
        const QString p = "# cold room\n2 20 50\n10 30 70\n20 OL 40\n\n30 silent\n40 5 -OL\n";
        QTest::newRow("before the first line") << p << 0.0 << "20.0 50.0";
        QTest::newRow("between numeric lines") << p << 6.0 << "25.0 60.0";
        QTest::newRow("towards OL the number holds") << p << 15.0 << "30.0 55.0";
        QTest::newRow("OL holds") << p << 25.0 << "OL 40.0";
        QTest::newRow("silent holds") << p << 39.9 << "silent";
        QTest::newRow("after the last line") << p << 1000.0 << "5.0 -OL";
        QTest::newRow("two values") << "5 20" << 0.0 << "line 1: want SECONDS TEMPERATURE HUMIDITY "
                                                         "or SECONDS silent (\"5 20\")";
        QTest::newRow("going back") << "5 20 50\n3 20 50" << 0.0
                                    << "line 2: the seconds go back (\"3 20 50\")";
        QTest::newRow("not a value") << "0 warm 50" << 0.0
                                     << "line 1: a value is neither a number nor OL or -OL (\"0 "
                                        "warm 50\")";
        QTest::newRow("empty") << "# nothing\n" << 0.0 << "the profile has no line";
    }
    void profile()
    {
        QFETCH(QString, text);
        QFETCH(double, seconds);
        QFETCH(QString, expected);
        QString error;
        const auto profile = MeterProfile::parse(text, &error);
        const MeterProfile::State s = profile ? profile->at(seconds) : MeterProfile::State();
        QCOMPARE(!profile ? error
                     : s.silent ? "silent"
                                : AlarmEvent::valueText(s.temperature) + ' '
                             + AlarmEvent::valueText(s.humidity),
                 expected);
    }
};

QTEST_APPLESS_MAIN(TestAlarms)
#include "tst_alarms.moc"
