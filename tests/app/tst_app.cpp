#include "app/Application.h"
#include "app/DemoMeterWindow.h"
#include "app/HelpPanel.h"
#include "app/MainWindow.h"
#include "app/MemoryPanel.h"
#include "app/PortChoice.h"
#include "app/PortWindow.h"
#include "app/SerialPortsDialog.h"
#include "meter/DisplayFormat.h"
#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "meter/PortMap.h"
#include "meter/Psychrometrics.h"
#include "meter/SimulatedMeter.h"
#include "recording/Recorder.h"
#include "tests/common/MeterRig.h"
#include "tests/common/ProgramRig.h"
#include "tests/common/TestData.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>

using namespace dewscope;

namespace {

const QString missingPort = QStringLiteral("/dev/dewscope-no-such-port");

// Answers the next modal dialog: a message box with OK, noting its text (marked when OK is not
// its only button); any other dialog with Cancel, noting its class. meanwhile runs first.
void answerNextDialog(QString *seen, std::function<void()> meanwhile = {}, int attempts = 100)
{
    QTimer::singleShot(50, [seen, meanwhile, attempts] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) // not up yet
            return attempts > 0 ? answerNextDialog(seen, meanwhile, attempts - 1) : void();
        if (meanwhile)
            meanwhile();
        auto *box = qobject_cast<QMessageBox *>(dialog);
        *seen = !box ? QString::fromLatin1(dialog->metaObject()->className())
                     : box->text() + (box->standardButtons() == QMessageBox::Ok ? "" : " [more]");
        box ? box->button(QMessageBox::Ok)->click() : dialog->reject();
    });
}

using Rig = test::ProgramRig;

// The four figures as shown: temperature, humidity, dew point, wet bulb.
QStringList figures(const MainWindow *panel)
{
    return { panel->lblTemperature()->text(), panel->lblRH()->text(), panel->lblDew()->text(),
             panel->lblWet()->text() };
}

// Dew point and wet bulb of a reading, as the core library formats them.
QStringList dewWet(double tempC, double rh, bool celsius)
{
    Reading reading;
    computeDewWet(reading, tempC, rh);
    return { formatReading(celsius ? reading.dewC : reading.dewF),
             formatReading(celsius ? reading.wetC : reading.wetF) };
}

// The unit sign beside the figures: "C" or "F" ("CF" or "" when wrong).
QString unitSign(const MainWindow *panel)
{
    return QString(panel->imaC()->isVisibleTo(panel) ? "C" : "")
        + (panel->imaF()->isVisibleTo(panel) ? "F" : "");
}

QList<bool> toolbarEnabled(const MainWindow *panel)
{
    QList<bool> states;
    for (int i = 1; i <= MainWindow::ToolbarButtonCount; ++i)
        states << panel->toolbarButton(i)->isEnabled();
    return states;
}

} // namespace

class TestApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // the start of stdout, or of stderr on a failure
        QTest::newRow("help") << QStringList { "--help" } << 0 << "Usage: ";
        QTest::newRow("help-all") << QStringList { "--help-all" } << 0 << "Usage: ";
        QTest::newRow("version") << QStringList { "--version" } << 0 << "Dewscope 10.02\n";
        // clang-format off
        QTest::newRow("both") << QStringList { "--demo", "--port", "/dev/ttyS0" } << 2 << "--port and --demo cannot be used together.";
        // clang-format on
        QTest::newRow("port without location") << QStringList { "--port" } << 2 << "Missing value";
    }
    // The program answers its command line on a terminal without any display.
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QProcess program;
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(DEWSCOPE_PROGRAM), arguments);
        QVERIFY(program.waitForFinished(20000) && program.exitStatus() == QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QByteArray said
            = exitCode == 0 ? program.readAllStandardOutput() : program.readAllStandardError();
        QVERIFY2(said.startsWith(output.toUtf8()), said.constData());
    }

    // Options the program runs with. A typed "COM  n" takes n from 1 to 16; anything else
    // keeps the previous number.
    void optionsAndPortNumbers()
    {
        Application::Options options;
        QString message;
        Application::parseArguments({ "dewscope", "--port", "/dev/ttyUSB0" }, &options, &message);
        QVERIFY(options.port == "/dev/ttyUSB0" && !options.demo && message.isEmpty());
        QCOMPARE(
            QList<int>({ comPortNumberFromText("COM  10", 3), comPortNumberFromText("COM  16", 3),
                         comPortNumberFromText("COM  17", 2), comPortNumberFromText("COM  0", 5) }),
            QList<int>({ 10, 16, 2, 5 }));
    }

    // Closing the port window ends the program.
    void portWindowClosed()
    {
        Rig rig;
        QVERIFY(rig.start(missingPort));
        QSignalSpy finished(rig.app.get(), &Application::finished);
        rig.app->port()->close();
        QCOMPARE(finished.count(), 1);
        QVERIFY(!rig.mainWindow()->isVisible() && !rig.mainWindow()->isLoaded());
        QCOMPARE(rig.app->state()->comPortNumber, 0);
    }

    // Port window, AutoScan, OK, main window in the corner with live figures that follow the
    // meter's silence and the unit (the texts of each reading: tst_meter); closing it ends the
    // program and frees the port.
    void startOnlineShowsReadings()
    {
        Rig rig;
        QVERIFY(rig.startMeter(25.0, 50.0));
        Application &app = *rig.app;
        QSignalSpy finished(&app, &Application::finished);
        PortWindow *port = app.port();
        QCOMPARE(port->txtCOM()->currentText(), QStringLiteral("COM  1"));
#ifndef Q_OS_WIN
        // Device Manager lists the port numbering: COM 1 is the meter's pseudo-terminal.
        QTest::mouseClick(port->btnDeviceManager(), Qt::LeftButton);
        QVERIFY(port->deviceList() && port->deviceList()->isVisible());
        const QTableWidget *table = port->deviceList()->table();
        QVERIFY(table->rowCount() >= 1);
        QCOMPARE(table->item(0, 0)->text() + " = " + table->item(0, 1)->text(),
                 "COM 1 = " + rig.meter.path());
#endif
        // AutoScan finds the meter's port first, the list in ascending order, and chooses it;
        // the scan leaves the port free for the program's own link.
        QTest::mouseClick(port->btnAutoScan(), Qt::LeftButton);
        QCOMPARE(port->txtCOM()->itemText(0), QStringLiteral("COM  1"));
        for (int i = 1; i < port->txtCOM()->count(); ++i)
            QVERIFY(comPortNumberFromText(port->txtCOM()->itemText(i), 0)
                    > comPortNumberFromText(port->txtCOM()->itemText(i - 1), 0));
        QCOMPARE(port->txtCOM()->currentIndex(), 0);
        rig.ok();
        MainWindow *panel = rig.mainWindow();
        // The port window closing after OK does not end the program.
        QVERIFY(panel->isVisible() && !port->isVisible() && finished.isEmpty());
        QCOMPARE(panel->frameGeometry().topLeft(), panel->screen()->availableGeometry().topLeft());
        QVERIFY(app.state()->comPortNumber == 1 && app.state()->meterOnline);
        QVERIFY(app.meterLink()->isOpen());
        QCOMPARE(panel->lblCOM()->text(), QStringLiteral("COM1"));
        // Load state: recorder defaults, Celsius, the recorder's timer on, panels hidden.
        QVERIFY(!app.recorder()->isRecording() && app.recorder()->isTimerEnabled());
        QVERIFY(app.recorder()->samplingTime() == 2 && unitSign(panel) == "C");
        QVERIFY(!panel->isHelpPanelVisible() && !panel->isMemoryPanelVisible());
        QCOMPARE(toolbarEnabled(panel),
                 QList<bool>({ true, true, true, true, true, false, false, true, true, true, true }));

        // A silent meter: "No COM" blinks and the figures keep the last values. CF switches the
        // unit sign at once and the figures at the next frame; CF again switches both back.
        QLabel *com = panel->lblCOM();
        const QStringList celsius = QStringList({ "25.0", "50.0" }) + dewWet(25.0, 50.0, true);
        QTRY_COMPARE_WITH_TIMEOUT(figures(panel), celsius, 5000);
        rig.meter.setSilent(true);
        QTRY_COMPARE_WITH_TIMEOUT(com->text(), QStringLiteral("No COM"), 8000);
        QTRY_VERIFY_WITH_TIMEOUT(!com->isVisibleTo(panel), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(com->isVisibleTo(panel), 2000);
        panel->toolbarButton(8)->trigger();
        QVERIFY(unitSign(panel) == "F" && figures(panel) == celsius);
        rig.meter.setSilent(false);
        QTRY_COMPARE_WITH_TIMEOUT(
            figures(panel), QStringList({ "77.0", "50.0" }) + dewWet(25.0, 50.0, false), 8000);
        QTRY_VERIFY_WITH_TIMEOUT(com->text() == "COM1" && com->isVisibleTo(panel), 5000);
        panel->toolbarButton(8)->trigger();
        QCOMPARE(unitSign(panel), QStringLiteral("C"));
        panel->close();
        QCOMPARE(finished.count(), 1);
        QVERIFY(!app.meterLink()->isOpen() && !app.poll()->isEnabled()
                && !app.recorder()->isTimerEnabled());
        MeterLink other(app.portMap());
        other.setCommPort(1);
        QCOMPARE(other.open(), int(MeterLink::NoError));
    }

    void offlineStart_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("expectedNumber");
        QTest::newRow("Auto: COM 1 on a missing device") << "Auto" << 1;
        QTest::newRow("no choice made") << "COM10" << 0;
    }
    // The port window lists COM 1 to 16 and ignores Escape. A typed port and Enter; nothing
    // answers: the message, then the main window offline with only Open and help.
    void offlineStart()
    {
        QFETCH(QString, typed);
        Rig rig;
        QVERIFY(rig.start(missingPort));
        QComboBox *box = rig.app->port()->txtCOM();
        // Reset refills the list and leaves the box empty.
        box->setEditText(QStringLiteral("COM  9"));
        QTest::mouseClick(rig.app->port()->btnReset(), Qt::LeftButton);
        QVERIFY(box->count() == 16 && box->currentText().isEmpty());
        QTest::keyClick(box, Qt::Key_Escape);
        QVERIFY(rig.app->port()->isVisible());
        box->setEditText(typed);
        MainWindow *panel = rig.mainWindow();
        QString answer;
        QPoint placed(-1, -1); // where the main window is while the message is up; hidden
        answerNextDialog(&answer,
                         [&] { placed = panel->isVisible() ? QPoint(-1, -1) : panel->pos(); });
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(answer, QStringLiteral("No device available !"));
        // The load runs before the window is first shown, and places it in the corner.
        QCOMPARE(placed, panel->screen()->availableGeometry().topLeft());
        QCOMPARE(panel->frameGeometry().topLeft(), placed);

        QTEST(rig.app->state()->comPortNumber, "expectedNumber");
        QVERIFY(panel->isVisible() && !rig.app->state()->meterOnline);
        QCOMPARE(
            toolbarEnabled(panel),
            QList<bool>({ false, true, false, false, false, false, false, false, true, false, false }));
        // The poll stays quiet offline: nothing overwrites the caption.
        QTest::qWait(400);
        QCOMPARE(QStringList(panel->lblCOM()->text()) + figures(panel),
                 QStringList({ "Offline Mode", "", "", "", "" }));

        // Open and help still reach their commands. Open asks for a file: its dialog is cancelled.
        QString openDialog;
        answerNextDialog(&openDialog);
        panel->toolbarButton(2)->trigger();
        QTRY_COMPARE(openDialog, QStringLiteral("QFileDialog"));
        panel->toolbarButton(9)->trigger();
        QVERIFY(panel->isHelpPanelVisible());
    }

    void helpLanguageOpensManual_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("manual"); // in the help folder; none when empty
        QTest::addColumn<QString>("entry"); // the desktop's default PDF program; none when empty
        QTest::addColumn<bool>("viewer"); // the desktop's request to open the manual succeeds
        QTest::addColumn<bool>("opened");
        const QString runs = "[Desktop Entry]\nExec=sh %U\n";
        test::row("English", 0, QString("VK38-SW-HELP-EN_V3.1.pdf"), runs, true, true);
        test::row("Italian, viewer fails", 5, QString("VK38-SW-HELP-IT_V3.1.pdf"), runs, false,
                  true);
        test::row("no PDF program", 1, QString("VK38-SW-HELP-BPT_V3.1.pdf"), QString(), true,
                  false);
        test::row("PDF program not installed", 3, QString("VK38-SW-HELP-ES_V3.1.pdf"),
                  QString("[Desktop Entry]\nExec=\"no-such-viewer\" %U\n"), true, false);
        test::row("missing manual", 2, QString(), runs, true, false);
    }
    // A language in the help panel closes it and opens that manual; a missing one is passed
    // over in silence; without a program for PDFs (xdg-mime names none, or one not installed),
    // or when it fails, the user learns where the manual lies. Space afterwards does not open it
    // again. The same main window's height with and without the memory panel, the panel, the
    // tooltips and the port label.
    void helpLanguageOpensManual()
    {
        QFETCH(int, option);
        QFETCH(QString, manual);
        QFETCH(QString, entry);
        QFETCH(bool, viewer);
        QTemporaryDir dir;
        const QString pdf = dir.path() + QStringLiteral("/help/") + manual;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("help")));
        QVERIFY(manual.isEmpty() || test::writeBytes(pdf, "%PDF-1.4\n"));
        // The desktop: an xdg-mime naming viewer.desktop when there is an entry, and the entry.
        const QByteArray path = qgetenv("PATH");
        const auto restore = qScopeGuard([path] { qputenv("PATH", path); });
        QVERIFY(QDir(dir.path()).mkpath("bin") && QDir(dir.path()).mkpath("share/applications"));
        QVERIFY(
            test::writeBytes(dir.filePath("bin/xdg-mime"),
                             entry.isEmpty() ? "#!/bin/sh\n" : "#!/bin/sh\necho viewer.desktop\n")
            && QFile::setPermissions(dir.filePath("bin/xdg-mime"),
                                     QFile::ExeOwner | QFile::ReadOwner)
            && test::writeBytes(dir.filePath("share/applications/viewer.desktop"), entry.toUtf8()));
        qputenv("PATH", QFile::encodeName(dir.filePath("bin")) + ':' + path);
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("share")));

        // A main window of its own, with no meter behind it.
        test::MeterRig rig;
        MainWindow panel(&rig.state, &rig.link, nullptr, nullptr);
        panel.helpPanel()->setProgramDir(dir.path());
        QList<QUrl> opened;
        panel.helpPanel()->setUrlOpener([&opened, viewer](const QUrl &url) {
            opened << url;
            return viewer;
        });
        panel.show();
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        panel.toolbarButton(9)->trigger();
        auto *radio = panel.findChild<QRadioButton *>(QStringLiteral("Option1_%1").arg(option));
        QVERIFY(panel.isHelpPanelVisible() && radio && radio->isVisible());
        QString message;
        answerNextDialog(&message);
        QTest::mouseClick(radio, Qt::LeftButton);
        QVERIFY(!panel.isHelpPanelVisible() && !radio->isChecked());
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &panel,
                        Qt::Key_Space);
        QTRY_COMPARE(opened,
                     !FETCHED(bool, opened) ? QList<QUrl>()
                                            : QList<QUrl> { QUrl::fromLocalFile(pdf) });
        QTRY_COMPARE(message.endsWith(QDir::toNativeSeparators(pdf)),
                     !manual.isEmpty() && !(viewer && FETCHED(bool, opened)));

        // The outer height, frame included: 5190 twips, 6585 with the memory panel (15 twips a
        // pixel at 96 dpi), which shows and whose close button hides it again. Its set box takes
        // digits, Backspace, Delete and the keys that move in it; both Enter keys ask for that
        // set. Left clicks on the port label toggle the release date in the caption; others do
        // nothing.
        QList<int> heights { panel.frameGeometry().height() };
        panel.showMemoryPanel(true);
        QVERIFY(panel.isMemoryPanelVisible());
        heights << panel.frameGeometry().height();
        QLineEdit *box = panel.memoryPanel()->setBox();
        QTest::keyClicks(box, QStringLiteral("1a -3.5 b\b6"));
        for (const Qt::Key key : { Qt::Key_Left, Qt::Key_Left, Qt::Key_Delete, Qt::Key_Home,
                                   Qt::Key_2, Qt::Key_End, Qt::Key_Backspace, Qt::Key_Space })
            QTest::keyClick(box, key);
        QSignalSpy load(&panel, &MainWindow::setLoadRequested);
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(load, QList<QVariantList>({ { "21" }, { "21" } }));
        QTest::mouseClick(panel.findChild<QPushButton *>(QStringLiteral("BtnMemoryClose")),
                          Qt::LeftButton);
        QVERIFY(!panel.isMemoryPanelVisible());
        QCOMPARE(heights << panel.frameGeometry().height(), QList<int>({ 346, 439, 346 }));
        QStringList tips;
        for (int i : { 1, 2, 3, 4, 5, 8, 9, 10, 11 })
            tips << panel.toolbarButton(i)->toolTip();
        QCOMPARE(tips.join('|'),
                 "Save As (Ctrl+S)|Open File (Ctrl+O)|List Display (Ctrl+L)|"
                 "Graphic Display (Ctrl+G)|PC Sampling (Ctrl+T)|Cel Far (Ctrl+U)|"
                 "Help... (F1)|Alarms (Ctrl+Shift+A)|Publish to MQTT (Ctrl+Shift+P)");

        QStringList seen;
        for (const Qt::MouseButton button : { Qt::LeftButton, Qt::LeftButton, Qt::RightButton }) {
            QTest::mouseClick(panel.lblCOM(), button);
            seen << panel.windowTitle();
        }
        QCOMPARE(seen,
                 QStringList({ "Panel V10.02   2018-02-02.1", "Panel V10.02", "Panel V10.02" }));
    }

    // With the demo meter, its control window once closed comes back with Ctrl+D in the main
    // window.
    void demoMeterWindowComesBack()
    {
        Application app(Application::Options { QString(), true });
        QVERIFY(app.start());
        QWidget *demo = app.demoMeterWindow();
        demo->close();
        QTest::mouseClick(app.port()->cmdOK(), Qt::LeftButton);
        QVERIFY(app.state()->meterOnline && !demo->isVisible());
        app.mainWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.mainWindow()));
        QTest::keySequence(app.mainWindow(), QKeySequence(Qt::CTRL | Qt::Key_D));
        QVERIFY(demo->isVisible());
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
