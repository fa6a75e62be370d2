#include "alarms/AlarmDesk.h"
#include "alarms/AlarmDialog.h"
#include "alarms/AlarmSound.h"
#include "alarms/AlarmStrip.h"
#include "desktop/ProgramSettings.h"
#include "tests/common/ProgramRig.h"
#include "tests/common/TestData.h"

#include <QtTest>
#include <QtWidgets>

using namespace dewscope;

// The program with a demo meter at 25 °C and the alarm limits kept in its settings.
struct AlarmRig : test::ProgramRig
{
    AlarmDesk *desk() const { return mainWindow()->alarmDesk(); }
    AlarmStrip *strip() const { return mainWindow()->alarmStrip(); }
    bool run()
    {
        return startMeter(25.0, 50.0) && (ok(), QTest::qWaitFor([&] { return mainWindow(); }));
    }
};

void keepLimits(const QString &tempHigh)
{
    QSettings store("Dewscope", "dewscope");
    store.remove("Alarms");
    store.setValue("Alarms/tempHigh", tempHigh);
}

// The alarm strip, the Alarms dialog and its kept settings, the sound's reminders, and a desktop
// notification on a session bus of the test's own.
class TestAlarmsGui : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
        ProgramSettings::name("Dewscope", "dewscope");
    }

    // 25 °C over a high limit of 20: the strip is red with Acknowledge and the sound plays, again
    // after the reminder's interval; acknowledged, it turns quiet and stays until 15 °C ends it.
    void stripAndSound()
    {
        keepLimits("20");
        AlarmRig rig;
        QVERIFY(rig.run());
        QVERIFY(QTest::qWaitFor([&] { return rig.strip()->isVisible(); }, 10000));
        QVERIFY(rig.strip()->isAlerting() && rig.strip()->acknowledgeButton()->isVisible());
        QVERIFY2(rig.strip()->text()->text().startsWith("ALARM temperature above 25.0 °C since "),
                 qPrintable(rig.strip()->text()->text()));
        QVERIFY(QTest::qWaitFor([&] { return rig.desk()->sound()->plays() >= 2; },
                                AlarmDesk::ReminderMs * 3));
        QTest::mouseClick(rig.strip()->acknowledgeButton(), Qt::LeftButton);
        QVERIFY(!rig.strip()->isAlerting() && rig.strip()->isVisible()
                && !rig.strip()->acknowledgeButton()->isVisible());
        const int plays = rig.desk()->sound()->plays();
        rig.meter.setValues(15.0, 50.0);
        QVERIFY(QTest::qWaitFor([&] { return !rig.strip()->isVisible(); }, 10000));
        QCOMPARE(rig.desk()->sound()->plays(), plays);
    }

    void dialog_data()
    {
        QTest::addColumn<QString>("tempHigh");
        QTest::addColumn<QString>("hysteresis");
        QTest::addColumn<QString>("problem"); // empty: accepted
        QTest::newRow("accepted") << "30" << "1.5" << "";
        QTest::newRow("not a number") << "warm" << "" << "The high temperature must be a number.";
        QTest::newRow("hysteresis too wide") << "6" << "2"
                                              << "The temperature hysteresis 2 °C must be less "
                                                 "than half the span between the limits (2 °C).";
    }
    // The key opens the dialog; OK keeps and applies what reads, a refused entry says why and the
    // dialog stays open; a new dialog shows what was kept.
    void dialog()
    {
        QFETCH(QString, problem);
        keepLimits("");
        AlarmRig rig;
        QVERIFY(rig.run());
        rig.mainWindow()->toolbarButton(MainWindow::AlarmsButton)->trigger();
        AlarmDialog *dialog = rig.desk()->dialog();
        QVERIFY(dialog && dialog->isVisible());
        dialog->box("tempLow")->setText("2");
        dialog->box("tempHigh")->setText(FETCHED(QString, tempHigh));
        dialog->box("hysteresisTemp")->setText(FETCHED(QString, hysteresis));
        dialog->accept();
        const auto *box = dialog->findChild<QMessageBox *>("AlarmProblem");
        QCOMPARE(box ? box->text() : QString(), problem);
        QCOMPARE(dialog->isVisible(), !problem.isEmpty());
        const AlarmSettings kept = AlarmDialog::stored().settings;
        QCOMPARE(rig.desk()->preferences().settings.temperature.high,
                 problem.isEmpty() ? std::optional<double>(30) : std::nullopt);
        QCOMPARE(kept.temperature.high, rig.desk()->preferences().settings.temperature.high);
        QCOMPARE(AlarmDialog().box("hysteresisTemp")->text(), problem.isEmpty() ? "1.5" : "");
    }

    // The window, as a child process on a session bus started here, asks the notification
    // service to show the alarm's start; a listener on the bus sees the request.
    void notification()
    {
        QProcess bus;
        bus.start("dbus-daemon", { "--session", "--nofork", "--print-address=1" });
        if (!bus.waitForReadyRead(10000))
            QSKIP("no dbus-daemon --session could be started here");
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();
        QProcess monitor;
        monitor.start("dbus-monitor", { "--address", address, "interface='org.freedesktop.Notifications'" });
        QVERIFY(monitor.waitForReadyRead(10000)); // subscribed
        keepLimits("20");
        QProcess window;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", address);
        environment.insert("DEWSCOPE_ALARM_CHILD", m_settings.path());
        window.setProcessEnvironment(environment);
        window.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(window.waitForFinished(60000));
        QCOMPARE(window.exitCode(), 0);
        QByteArray seen;
        QVERIFY2(QTest::qWaitFor([&] { return (seen += monitor.readAll()).contains("Alarm: temperature above its limit"); }, 10000),
                 seen.constData());
        QVERIFY(seen.contains("member=Notify"));
        monitor.kill();
        bus.kill();
        monitor.waitForFinished();
        bus.waitForFinished();
    }
};

// As a child of notification(): the window until it has sent its first notification.
int notifyingWindow(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       qEnvironmentVariable("DEWSCOPE_ALARM_CHILD"));
    ProgramSettings::name("Dewscope", "dewscope");
    AlarmRig rig;
    const bool sent = rig.run()
        && QTest::qWaitFor([&] { return rig.desk()->notificationsSent() > 0; }, 20000);
    QTest::qWait(300); // the message leaves the connection
    return sent ? 0 : 1;
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("DEWSCOPE_ALARM_CHILD"))
        return notifyingWindow(argc, argv);
    QApplication app(argc, argv);
    TestAlarmsGui test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_alarms_gui.moc"
