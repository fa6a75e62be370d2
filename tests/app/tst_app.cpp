#include "app/Application.h"
#include "app/DeviceList.h"
#include "app/Panel.h"
#include "app/PanelText.h"
#include "app/Port.h"
#include "app/PortChoice.h"
#include "meter/DisplayFormat.h"
#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "meter/PortMap.h"
#include "meter/Psychrometrics.h"
#include "meter/SimulatedMeter.h"
#include "recording/Recorder.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

using namespace hygrolog;

namespace {

const QString missingPort = QStringLiteral("/dev/hygrolog-no-such-port");

// Answers the next modal message box: records its text and buttons, then presses OK.
struct MessageAnswer
{
    QString text;
    QMessageBox::StandardButtons buttons;
    bool seen = false;
};

void answerNextMessageBox(MessageAnswer *answer, int attempts = 100)
{
    QTimer::singleShot(50, [answer, attempts] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            if (attempts > 0)
                answerNextMessageBox(answer, attempts - 1); // not up yet
            return;
        }
        answer->seen = true;
        answer->text = box->text();
        answer->buttons = box->standardButtons();
        box->button(QMessageBox::Ok)->click();
    });
}

// Cancels the next modal dialog (whatever command opened it) and records its class.
void cancelNextDialog(QString *className, int attempts = 100)
{
    QTimer::singleShot(50, [className, attempts] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (attempts > 0)
                cancelNextDialog(className, attempts - 1);
            return;
        }
        *className = QString::fromLatin1(dialog->metaObject()->className());
        dialog->reject();
    });
}

// A demo meter sending fixed values quickly.
std::unique_ptr<SimulatedMeter> startMeter(double tempC, double rh)
{
    auto meter = std::make_unique<SimulatedMeter>();
    meter->setDrift(false);
    meter->setValues(tempC, rh);
    meter->setFrameInterval(100);
    QString error;
    if (!meter->open(&error)) {
        qWarning("simulated meter: %s", qPrintable(error));
        return nullptr;
    }
    return meter;
}

QString dewText(double tempC, double rh, bool celsius)
{
    Reading reading;
    computeDewWet(reading, tempC, rh);
    return formatReading(celsius ? reading.dewC : reading.dewF);
}

QString wetText(double tempC, double rh, bool celsius)
{
    Reading reading;
    computeDewWet(reading, tempC, rh);
    return formatReading(celsius ? reading.wetC : reading.wetF);
}

QList<bool> toolbarEnabled(const Panel *panel)
{
    QList<bool> states;
    for (int i = 1; i <= Panel::ToolbarButtonCount; ++i)
        states << panel->toolbarButton(i)->isEnabled();
    return states;
}

} // namespace

class TestApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Window-free logic.
    void portNumberFromText_data();
    void portNumberFromText();
    void captionToggle_data();
    void captionToggle();
    void helpManualPath_data();
    void helpManualPath();
    void twipsToPixels_data();
    void twipsToPixels();
    void commandLine_data();
    void commandLine();

    // Port window.
    void portWindowStartsWithAllPorts();
    void autoScanFindsMappedPort();
    void autoScanFindsNothing();
    void deviceListShowsMapping();
    void closingPortWindowEndsProgram();

    // Start-up and main window.
    void startOnlineShowsReadings();
    void fahrenheitAtNextFrame();
    void silentMeterBlinks();
    void offlineStart_data();
    void offlineStart();
    void portLabelClicks();
    void helpLanguageOpensManual_data();
    void helpLanguageOpensManual();
    void setBoxKeyFilter_data();
    void setBoxKeyFilter();
    void memoryPanelHeight();
    void closingPanelReleasesPort();
};

void TestApp::portNumberFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("expected");
    QTest::newRow("first") << "COM  1" << 0 << 1;
    QTest::newRow("two digits") << "COM  10" << 3 << 10;
    QTest::newRow("last") << "COM  16" << 0 << 16;
    QTest::newRow("Auto") << "Auto" << 7 << 1;
    QTest::newRow("no blanks keeps") << "COM10" << 4 << 4;
    QTest::newRow("one blank keeps") << "COM 3" << 0 << 0;
    QTest::newRow("beyond 16 keeps") << "COM  17" << 2 << 2;
    QTest::newRow("zero keeps") << "COM  0" << 5 << 5;
    QTest::newRow("leading zero keeps") << "COM  01" << 0 << 0;
    QTest::newRow("lower-case auto keeps") << "auto" << 6 << 6;
    QTest::newRow("empty keeps") << "" << 9 << 9;
    QTest::newRow("trailing blank keeps") << "COM  2 " << 0 << 0;
}

void TestApp::portNumberFromText()
{
    QFETCH(QString, text);
    QFETCH(int, previous);
    QFETCH(int, expected);
    QCOMPARE(comPortNumberFromText(text, previous), expected);
}

void TestApp::captionToggle_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("expected");
    QTest::newRow("adds release") << "Panel V10.02"
                                  << "Panel V10.02   2018-02-02.1";
    QTest::newRow("removes release") << "Panel V10.02   2018-02-02.1"
                                     << "Panel V10.02";
    // A caption carrying a download percentage has no release date: the date is added.
    QTest::newRow("other caption") << "45% Loaded"
                                   << "Panel V10.02   2018-02-02.1";
}

void TestApp::captionToggle()
{
    QFETCH(QString, current);
    QFETCH(QString, expected);
    QCOMPARE(panel::toggledCaption(current), expected);
    QCOMPARE(panel::toggledCaption(panel::toggledCaption(expected)), expected);
}

void TestApp::helpManualPath_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("expected");
    QTest::newRow("English") << "/opt/h" << 0 << "/opt/h/help/VK38-SW-HELP-EN_V3.1.pdf";
    QTest::newRow("Portuguese") << "/opt/h" << 1 << "/opt/h/help/VK38-SW-HELP-BPT_V3.1.pdf";
    QTest::newRow("German") << "/opt/h" << 2 << "/opt/h/help/VK38-SW-HELP-DE_V3.1.pdf";
    QTest::newRow("Spanish") << "/opt/h" << 3 << "/opt/h/help/VK38-SW-HELP-ES_V3.1.pdf";
    QTest::newRow("French") << "/opt/h" << 4 << "/opt/h/help/VK38-SW-HELP-FR_V3.1.pdf";
    QTest::newRow("Italian") << "/opt/h" << 5 << "/opt/h/help/VK38-SW-HELP-IT_V3.1.pdf";
    QTest::newRow("trailing slash") << "/opt/h/" << 2 << "/opt/h/help/VK38-SW-HELP-DE_V3.1.pdf";
    QTest::newRow("below range") << "/opt/h" << -1 << "";
    QTest::newRow("above range") << "/opt/h" << 6 << "";
}

void TestApp::helpManualPath()
{
    QFETCH(QString, dir);
    QFETCH(int, option);
    QFETCH(QString, expected);
    QCOMPARE(panel::helpManualPath(dir, option), expected);
}

void TestApp::twipsToPixels_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("expected");
    QTest::newRow("panel height") << 5190 << 96.0 << 346;
    QTest::newRow("panel with memory") << 6585 << 96.0 << 439;
    QTest::newRow("port left rounds") << 3700 << 96.0 << 247;
    QTest::newRow("port top") << 2700 << 96.0 << 180;
    QTest::newRow("large fonts") << 5190 << 144.0 << 519;
    QTest::newRow("no dpi known") << 1500 << 0.0 << 100;
}

void TestApp::twipsToPixels()
{
    QFETCH(int, twips);
    QFETCH(double, dpi);
    QFETCH(int, expected);
    QCOMPARE(panel::twipsToPixels(twips, dpi), expected);
}

void TestApp::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("demo");
    const int run = int(Application::Parse::Run);
    const int answered = int(Application::Parse::Answered);
    const int usage = int(Application::Parse::UsageError);
    QTest::newRow("plain") << QStringList() << run << "" << false;
    QTest::newRow("port") << QStringList { "--port", "/dev/ttyUSB0" } << run << "/dev/ttyUSB0"
                          << false;
    QTest::newRow("port with =") << QStringList { "--port=COM3" } << run << "COM3" << false;
    QTest::newRow("demo") << QStringList { "--demo" } << run << "" << true;
    QTest::newRow("help") << QStringList { "--help" } << answered << "" << false;
    QTest::newRow("version") << QStringList { "--version" } << answered << "" << false;
    QTest::newRow("both") << QStringList { "--demo", "--port", "/dev/ttyS0" } << usage << ""
                          << false;
    QTest::newRow("port without location") << QStringList { "--port" } << usage << "" << false;
    QTest::newRow("unknown option") << QStringList { "--fast" } << usage << "" << false;
    QTest::newRow("stray argument") << QStringList { "file.txt" } << usage << "" << false;
}

void TestApp::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, expected);
    QFETCH(QString, port);
    QFETCH(bool, demo);
    Application::Options options;
    QString message;
    const auto parsed
        = Application::parseArguments(QStringList { "hygrolog" } + arguments, &options, &message);
    QCOMPARE(int(parsed), expected);
    if (parsed == Application::Parse::Run) {
        QCOMPARE(options.port, port);
        QCOMPARE(options.demo, demo);
    } else {
        QVERIFY(!message.isEmpty());
    }
}

void TestApp::portWindowStartsWithAllPorts()
{
    SharedState state;
    PortMap ports;
    Port port(&state, &ports);
    QCOMPARE(port.windowTitle(), QStringLiteral("COM Port"));
    QCOMPARE(port.txtCOM()->count(), 16);
    QCOMPARE(port.txtCOM()->itemText(0), QStringLiteral("COM  1"));
    QCOMPARE(port.txtCOM()->itemText(15), QStringLiteral("COM  16"));
    QCOMPARE(port.txtCOM()->currentText(), QStringLiteral("COM  1"));
    QVERIFY(port.cmdOK()->isDefault());

    // A typed "Auto" and Enter: OK is pressed and port 1 chosen.
    QSignalSpy accepted(&port, &Port::accepted);
    port.show();
    QVERIFY(QTest::qWaitForWindowExposed(&port));
    // Escape does not leave the window (that would end the program).
    QTest::keyClick(port.txtCOM(), Qt::Key_Escape);
    QVERIFY(port.isVisible());
    port.txtCOM()->setEditText(QStringLiteral("Auto"));
    QTest::keyClick(port.txtCOM(), Qt::Key_Return);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(state.comPortNumber, 1);
    QVERIFY(!port.isVisible());
    // A typed name never joins the list.
    QCOMPARE(port.txtCOM()->count(), 16);
}

void TestApp::autoScanFindsMappedPort()
{
    auto meter = startMeter(20.0, 40.0);
    QVERIFY(meter);
    SharedState state;
    PortMap ports;
    ports.setOverride(meter->path());
    Port port(&state, &ports);
    port.show();
    QTest::mouseClick(port.btnAutoScan(), Qt::LeftButton);

    QVERIFY(port.txtCOM()->count() >= 1);
    QCOMPARE(port.txtCOM()->itemText(0), QStringLiteral("COM  1"));
    QCOMPARE(port.txtCOM()->currentText(), QStringLiteral("COM  1"));
    QCOMPARE(port.progressBar1()->value(), 16);
    int previous = 0;
    for (int i = 0; i < port.txtCOM()->count(); ++i) {
        const int number = comPortNumberFromText(port.txtCOM()->itemText(i), 0);
        QVERIFY2(number > previous, "scanned list in ascending order");
        previous = number;
    }
    // The scan left the port free: the program's own link opens it.
    MeterLink link(&ports);
    link.setCommPort(1);
    QCOMPARE(link.open(), int(MeterLink::NoError));

    // Reset brings the full list back.
    QTest::mouseClick(port.btnReset(), Qt::LeftButton);
    QCOMPARE(port.txtCOM()->count(), 16);
}

void TestApp::autoScanFindsNothing()
{
    SharedState state;
    PortMap ports;
    ports.setOverride(missingPort);
    // Ports held open by someone else do not open for the scan: take every port that opens.
    std::vector<std::unique_ptr<MeterLink>> held;
    for (int i = 1; i <= PortMap::PortCount; ++i) {
        auto link = std::make_unique<MeterLink>(&ports);
        link->setCommPort(i);
        if (link->open() == MeterLink::NoError)
            held.push_back(std::move(link));
    }
    MeterLink probe(&ports);
    if (!scanPorts(probe).isEmpty())
        QSKIP("a serial port of this system opens twice");
    QVERIFY(!probe.isOpen());

    Port port(&state, &ports);
    port.show();
    QTest::mouseClick(port.btnAutoScan(), Qt::LeftButton);
    QCOMPARE(port.txtCOM()->count(), 0);
    QVERIFY(port.txtCOM()->currentText().isEmpty());
    QCOMPARE(port.txtCOM()->lineEdit()->placeholderText(), QStringLiteral("No port found"));
    QCOMPARE(port.progressBar1()->value(), 16);

    // OK with nothing chosen keeps the number unset: the main window starts offline.
    QSignalSpy accepted(&port, &Port::accepted);
    QTest::mouseClick(port.cmdOK(), Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(state.comPortNumber, 0);
}

void TestApp::deviceListShowsMapping()
{
#ifdef Q_OS_WIN
    QSKIP("Windows opens its own device manager");
#endif
    auto meter = startMeter(20.0, 40.0);
    QVERIFY(meter);
    SharedState state;
    PortMap ports;
    ports.setOverride(meter->path());
    Port port(&state, &ports);
    port.show();
    QTest::mouseClick(port.btnDeviceManager(), Qt::LeftButton);
    QVERIFY(port.deviceList());
    QVERIFY(port.deviceList()->isVisible());
    const QTableWidget *table = port.deviceList()->table();
    QVERIFY(table->rowCount() >= 1);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("COM 1"));
    QCOMPARE(table->item(0, 1)->text(), meter->path());
    port.close();
    QVERIFY(!port.deviceList()->isVisible());
}

void TestApp::closingPortWindowEndsProgram()
{
    Application::Options options;
    options.port = missingPort;
    Application app(options);
    QSignalSpy finished(&app, &Application::finished);
    QVERIFY(app.start());
    QVERIFY(app.port()->isVisible());
    app.port()->close();
    QCOMPARE(finished.count(), 1);
    QVERIFY(!app.panel()->isVisible());
    QVERIFY(!app.panel()->isLoaded());
    QCOMPARE(app.state()->comPortNumber, 0);
}

void TestApp::startOnlineShowsReadings()
{
    auto meter = startMeter(25.0, 50.0);
    QVERIFY(meter);
    Application::Options options;
    options.port = meter->path();
    Application app(options);
    QVERIFY(app.start());
    QVERIFY(app.port()->isVisible());
    QCOMPARE(app.port()->txtCOM()->currentText(), QStringLiteral("COM  1"));

    QTest::mouseClick(app.port()->cmdOK(), Qt::LeftButton);
    Panel *panel = app.panel();
    QVERIFY(panel->isVisible());
    QVERIFY(!app.port()->isVisible());
    QCOMPARE(app.state()->comPortNumber, 1);
    QVERIFY(app.state()->meterOnline);
    QVERIFY(app.meterLink()->isOpen());
    QCOMPARE(panel->lblCOM()->text(), QStringLiteral("COM1"));
    QCOMPARE(panel->windowTitle(), QStringLiteral("Panel V10.02"));
    // Nothing decoded yet: the figures are empty.
    QVERIFY(panel->lblTemperature()->text().isEmpty());
    QVERIFY(panel->lblRH()->text().isEmpty());
    QVERIFY(panel->lblDew()->text().isEmpty());
    QVERIFY(panel->lblWet()->text().isEmpty());
    // Load state: recorder defaults, Celsius, both timers on, panels hidden.
    QVERIFY(!app.recorder()->isRecording());
    QCOMPARE(app.recorder()->samplingTime(), 2);
    QVERIFY(app.recorder()->isTimerEnabled());
    QVERIFY(app.state()->celsiusMode);
    QVERIFY(panel->imaC()->isVisibleTo(panel));
    QVERIFY(!panel->imaF()->isVisibleTo(panel));
    QVERIFY(!panel->isHelpPanelVisible());
    QVERIFY(!panel->isMemoryPanelVisible());
    QCOMPARE(toolbarEnabled(panel),
             QList<bool>({ true, true, true, true, true, false, false, true, true }));
    QVERIFY(!panel->toolbarButton(6)->isVisible());
    QVERIFY(!panel->toolbarButton(7)->isVisible());

    QTRY_COMPARE_WITH_TIMEOUT(panel->lblTemperature()->text(), QStringLiteral("25.0"), 5000);
    QCOMPARE(panel->lblRH()->text(), QStringLiteral("50.0"));
    QCOMPARE(panel->lblDew()->text(), dewText(25.0, 50.0, true));
    QCOMPARE(panel->lblWet()->text(), wetText(25.0, 50.0, true));
    QCOMPARE(panel->lblTemperature()->font().pointSize(), 60);

    // The figures follow the meter.
    meter->setValues(-5.5, 81.0);
    QTRY_COMPARE_WITH_TIMEOUT(panel->lblTemperature()->text(), QStringLiteral("-5.5"), 5000);
    QTRY_COMPARE(panel->lblRH()->text(), QStringLiteral("81.0"));

    // Over range travels as "OL" into the temperature, dew and wet figures.
    meter->setTemperatureOverRange(true);
    QTRY_COMPARE_WITH_TIMEOUT(panel->lblTemperature()->text(), QStringLiteral("OL"), 5000);
    QTRY_COMPARE(panel->lblDew()->text(), QStringLiteral("OL"));
    QCOMPARE(panel->lblWet()->text(), QStringLiteral("OL"));
    QCOMPARE(panel->lblRH()->text(), QStringLiteral("81.0"));
}

void TestApp::fahrenheitAtNextFrame()
{
    auto meter = startMeter(25.0, 50.0);
    QVERIFY(meter);
    Application::Options options;
    options.port = meter->path();
    Application app(options);
    QVERIFY(app.start());
    QTest::mouseClick(app.port()->cmdOK(), Qt::LeftButton);
    Panel *panel = app.panel();
    QTRY_COMPARE_WITH_TIMEOUT(panel->lblTemperature()->text(), QStringLiteral("25.0"), 5000);

    // Silence the meter so no frame can arrive between the click and the checks.
    meter->setSilent(true);
    QTest::qWait(300);
    panel->toolbarButton(8)->trigger();
    QVERIFY(!app.state()->celsiusMode);
    QVERIFY(panel->imaF()->isVisibleTo(panel));
    QVERIFY(!panel->imaC()->isVisibleTo(panel));
    QCOMPARE(panel->lblTemperature()->text(), QStringLiteral("25.0"));

    meter->setSilent(false);
    QTRY_COMPARE_WITH_TIMEOUT(panel->lblTemperature()->text(), QStringLiteral("77.0"), 8000);
    QCOMPARE(panel->lblDew()->text(), dewText(25.0, 50.0, false));
    QCOMPARE(panel->lblWet()->text(), wetText(25.0, 50.0, false));
    QCOMPARE(panel->lblRH()->text(), QStringLiteral("50.0"));

    panel->toolbarButton(8)->trigger();
    QVERIFY(app.state()->celsiusMode);
    QVERIFY(panel->imaC()->isVisibleTo(panel));
    QVERIFY(!panel->imaF()->isVisibleTo(panel));
    QTRY_COMPARE_WITH_TIMEOUT(panel->lblTemperature()->text(), QStringLiteral("25.0"), 5000);
    QCOMPARE(panel->lblRH()->text(), QStringLiteral("50.0"));
}

void TestApp::silentMeterBlinks()
{
    auto meter = startMeter(22.0, 55.0);
    QVERIFY(meter);
    Application::Options options;
    options.port = meter->path();
    Application app(options);
    QVERIFY(app.start());
    QTest::mouseClick(app.port()->cmdOK(), Qt::LeftButton);
    Panel *panel = app.panel();
    QTRY_COMPARE_WITH_TIMEOUT(panel->lblTemperature()->text(), QStringLiteral("22.0"), 5000);

    meter->setSilent(true);
    QTRY_COMPARE_WITH_TIMEOUT(panel->lblCOM()->text(), QStringLiteral("No COM"), 8000);
    // Blinking: the label disappears and comes back while the meter stays silent.
    QTRY_VERIFY_WITH_TIMEOUT(!panel->lblCOM()->isVisibleTo(panel), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(panel->lblCOM()->isVisibleTo(panel), 2000);
    // The figures keep the last values.
    QCOMPARE(panel->lblTemperature()->text(), QStringLiteral("22.0"));

    meter->setValues(23.5, 55.0);
    meter->setSilent(false);
    QTRY_COMPARE_WITH_TIMEOUT(panel->lblCOM()->text(), QStringLiteral("COM1"), 5000);
    QVERIFY(panel->lblCOM()->isVisibleTo(panel));
    QTRY_COMPARE_WITH_TIMEOUT(panel->lblTemperature()->text(), QStringLiteral("23.5"), 5000);
}

void TestApp::offlineStart_data()
{
    QTest::addColumn<QString>("portLocation");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<int>("expectedNumber");
    QTest::newRow("missing port") << missingPort << "COM  1" << 1;
    QTest::newRow("unmapped port") << missingPort << "COM  16" << 16;
    QTest::newRow("no choice made") << missingPort << "COM10" << 0;
}

void TestApp::offlineStart()
{
    QFETCH(QString, portLocation);
    QFETCH(QString, choice);
    QFETCH(int, expectedNumber);
    Application::Options options;
    options.port = portLocation;
    Application app(options);
    QVERIFY(app.start());
    app.port()->txtCOM()->setEditText(choice);

    MessageAnswer answer;
    answerNextMessageBox(&answer);
    QTest::mouseClick(app.port()->cmdOK(), Qt::LeftButton);
    QVERIFY(answer.seen);
    QCOMPARE(answer.text, QStringLiteral("No device available !"));
    QCOMPARE(answer.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    Panel *panel = app.panel();
    QCOMPARE(app.state()->comPortNumber, expectedNumber);
    QVERIFY(panel->isVisible());
    QVERIFY(!app.state()->meterOnline);
    QCOMPARE(panel->lblCOM()->text(), QStringLiteral("Offline Mode"));
    QCOMPARE(toolbarEnabled(panel),
             QList<bool>({ false, true, false, false, false, false, false, false, true }));

    // The poll stays quiet offline: nothing overwrites the caption.
    QTest::qWait(400);
    QCOMPARE(panel->lblCOM()->text(), QStringLiteral("Offline Mode"));
    QVERIFY(panel->lblTemperature()->text().isEmpty());

    // Open and help still reach their commands. Open asks for a file: cancel its dialog.
    QSignalSpy commands(panel, &Panel::commandRequested);
    QString dialogClass;
    cancelNextDialog(&dialogClass);
    panel->toolbarButton(2)->trigger();
    QTRY_VERIFY(!dialogClass.isEmpty());
    panel->toolbarButton(1)->trigger(); // disabled: nothing
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.at(0).at(0).toString(), QStringLiteral("Open"));
    panel->toolbarButton(9)->trigger();
    QVERIFY(panel->isHelpPanelVisible());
}

void TestApp::portLabelClicks()
{
    SharedState state;
    PortMap ports;
    MeterLink link(&ports);
    Panel panel(&state, &link, nullptr, nullptr);
    panel.show();
    QCOMPARE(panel.windowTitle(), QStringLiteral("Panel V10.02"));
    QTest::mouseClick(panel.lblCOM(), Qt::LeftButton);
    QCOMPARE(panel.windowTitle(), QStringLiteral("Panel V10.02   2018-02-02.1"));
    QTest::mouseClick(panel.lblCOM(), Qt::LeftButton);
    QCOMPARE(panel.windowTitle(), QStringLiteral("Panel V10.02"));
    // Other buttons do not toggle it.
    QTest::mouseClick(panel.lblCOM(), Qt::RightButton);
    QCOMPARE(panel.windowTitle(), QStringLiteral("Panel V10.02"));
}

void TestApp::helpLanguageOpensManual_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("present");
    QTest::newRow("English") << 0 << "VK38-SW-HELP-EN_V3.1.pdf" << true;
    QTest::newRow("Portuguese") << 1 << "VK38-SW-HELP-BPT_V3.1.pdf" << true;
    QTest::newRow("German") << 2 << "VK38-SW-HELP-DE_V3.1.pdf" << true;
    QTest::newRow("Spanish") << 3 << "VK38-SW-HELP-ES_V3.1.pdf" << true;
    QTest::newRow("French") << 4 << "VK38-SW-HELP-FR_V3.1.pdf" << true;
    QTest::newRow("Italian") << 5 << "VK38-SW-HELP-IT_V3.1.pdf" << true;
    QTest::newRow("missing manual") << 2 << "VK38-SW-HELP-DE_V3.1.pdf" << false;
}

void TestApp::helpLanguageOpensManual()
{
    QFETCH(int, option);
    QFETCH(QString, file);
    QFETCH(bool, present);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("help")));
    const QString manual = dir.path() + QStringLiteral("/help/") + file;
    if (present) {
        QFile pdf(manual);
        QVERIFY(pdf.open(QIODevice::WriteOnly));
        pdf.write("%PDF-1.4\n");
    }

    SharedState state;
    PortMap ports;
    MeterLink link(&ports);
    Panel panel(&state, &link, nullptr, nullptr);
    panel.setProgramDir(dir.path());
    QList<QUrl> opened;
    panel.setUrlOpener([&opened](const QUrl &url) {
        opened << url;
        return true;
    });
    panel.show();
    QVERIFY(!panel.isHelpPanelVisible());
    panel.toolbarButton(9)->trigger();
    QVERIFY(panel.isHelpPanelVisible());

    auto *radio = panel.findChild<QRadioButton *>(QStringLiteral("Option1_%1").arg(option));
    QVERIFY(radio);
    QVERIFY(radio->isVisible());
    QTest::mouseClick(radio, Qt::LeftButton);
    QVERIFY(!panel.isHelpPanelVisible());
    QVERIFY(!radio->isChecked());
    if (present) {
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.at(0).toLocalFile(), manual);
    } else {
        QVERIFY(opened.isEmpty());
    }
}

void TestApp::setBoxKeyFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("digits") << "12"
                            << "12";
    QTest::newRow("letters dropped") << "1a2b"
                                     << "12";
    QTest::newRow("sign and point dropped") << "-3.5"
                                            << "35";
    QTest::newRow("blanks dropped") << " 7 "
                                    << "7";
    QTest::newRow("backspace") << "45\b6"
                               << "46";
    QTest::newRow("only letters") << "xyz"
                                  << "";
}

void TestApp::setBoxKeyFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    SharedState state;
    PortMap ports;
    MeterLink link(&ports);
    Panel panel(&state, &link, nullptr, nullptr);
    panel.sspMemoryShow(true);
    panel.show();
    QLineEdit *box = panel.txtSet();
    box->setFocus();
    for (const QChar c : typed) {
        if (c == QLatin1Char('\b'))
            QTest::keyClick(box, Qt::Key_Backspace);
        else
            QTest::keyClicks(box, QString(c));
    }
    // Keys that type nothing are dropped too.
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClick(box, Qt::Key_Home);
    QTest::keyClick(box, Qt::Key_Space);
    QCOMPARE(box->text(), expected);

    QSignalSpy load(&panel, &Panel::setLoadRequested);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(load.count(), 2);
    QCOMPARE(load.at(0).at(0).toString(), expected);
}

void TestApp::memoryPanelHeight()
{
    SharedState state;
    PortMap ports;
    MeterLink link(&ports);
    Panel panel(&state, &link, nullptr, nullptr);
    panel.show();
    QVERIFY(!panel.isMemoryPanelVisible());
    const int hidden = panel.height();
    QVERIFY(hidden >= panel::twipsToPixels(panel::HeightWithoutMemoryTwips, panel.logicalDpiY()));
    panel.sspMemoryShow(true);
    QVERIFY(panel.isMemoryPanelVisible());
    const int shown = panel.height();
    QVERIFY(shown >= panel::twipsToPixels(panel::HeightWithMemoryTwips, panel.logicalDpiY()));
    QVERIFY(shown > hidden);
    // Every figure still fits: nothing is squeezed below its needs.
    QVERIFY(panel.lblTemperature()->height() >= panel.lblTemperature()->sizeHint().height());
    auto *close = panel.findChild<QPushButton *>(QStringLiteral("BtnMemoryClose"));
    QVERIFY(close);
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!panel.isMemoryPanelVisible());
    QCOMPARE(panel.height(), hidden);
}

void TestApp::closingPanelReleasesPort()
{
    auto meter = startMeter(21.0, 45.0);
    QVERIFY(meter);
    Application::Options options;
    options.port = meter->path();
    Application app(options);
    QSignalSpy finished(&app, &Application::finished);
    QVERIFY(app.start());
    QTest::mouseClick(app.port()->cmdOK(), Qt::LeftButton);
    QVERIFY(app.meterLink()->isOpen());
    QVERIFY(finished.isEmpty()); // the port window closing after OK does not end the program
    app.panel()->close();
    QCOMPARE(finished.count(), 1);
    QVERIFY(!app.meterLink()->isOpen());
    QVERIFY(!app.poll()->isEnabled());
    QVERIFY(!app.recorder()->isTimerEnabled());
    // The port is free for others again.
    MeterLink other(app.portMap());
    other.setCommPort(1);
    QCOMPARE(other.open(), int(MeterLink::NoError));
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
