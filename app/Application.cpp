#include "app/Application.h"

#include "app/DemoMeterWindow.h"
#include "app/MainToolbarCommands.h"
#include "app/MainWindow.h"
#include "app/MemoryCommands.h"
#include "app/PortWindow.h"
#include "app/PublishCommands.h"
#include "graphs/DataPlot.h"
#include "graphs/RealTimeGraph.h"
#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "meter/PortMap.h"
#include "meter/SimulatedMeter.h"
#include "recording/Recorder.h"
#include "summary/SummaryWindow.h"
#include "tables/RecordWindow.h"
#include "tables/RecordWindows.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QShortcut>

namespace dewscope {

Application::Parse Application::parseArguments(const QStringList &arguments, Options *options,
                                               QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Live readings, recording and memory downloads of a datalogging "
                       "humidity-temperature meter."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Make COM 1 the serial port at <location> (e.g. /dev/ttyUSB0)."),
        QStringLiteral("location"));
    const QCommandLineOption demoOption(
        QStringLiteral("demo"),
        QStringLiteral("Start a simulated meter on COM 1, with a window to steer it."));
    parser.addOption(portOption);
    parser.addOption(demoOption);

    message->clear();
    if (!parser.parse(arguments)) {
        *message = parser.errorText() + QLatin1Char('\n') + parser.helpText();
        return Parse::UsageError;
    }
    // --help-all is offered by the help option too; it answers the same way.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        *message = parser.helpText();
        return Parse::Answered;
    }
    if (parser.isSet(versionOption)) {
        *message = QCoreApplication::applicationName() + QLatin1Char(' ')
            + QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return Parse::Answered;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *message = QStringLiteral("Unexpected argument: %1\n%2")
                       .arg(parser.positionalArguments().constFirst(), parser.helpText());
        return Parse::UsageError;
    }
    if (parser.isSet(portOption) && parser.isSet(demoOption)) {
        *message = QStringLiteral("--port and --demo cannot be used together.\n");
        return Parse::UsageError;
    }
    options->port = parser.value(portOption);
    options->demo = parser.isSet(demoOption);
    return Parse::Run;
}

Application::Application(const Options &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_portMap(std::make_unique<PortMap>())
{
    m_link = new MeterLink(m_portMap.get(), this);
    m_poll = new Poll(m_link, &m_state, this);
    m_recorder = new Recorder(&m_state, this);
    if (!m_options.port.isEmpty())
        m_portMap->setOverride(m_options.port);

    m_mainWindow = new MainWindow(&m_state, m_link, m_poll, m_recorder);
    m_mainWindow->setAttribute(Qt::WA_DeleteOnClose, false);
    connect(m_mainWindow, &MainWindow::closed, this, &Application::shutDown);
    // The real-time graph: opened by "Graph"; a silent meter closes it, and then the Real Time
    // List (connected by the toolbar commands below).
    m_graph = new RealTimeGraph(&m_state, m_mainWindow, m_poll->interval(), this);
    connect(m_poll, &Poll::meterSilent, m_graph, &RealTimeGraph::close);
    // Save, Open, List, Graph and Sample, the record windows and the recorder's labels.
    auto *commands = MainToolbarCommands::attach(m_mainWindow);
    connect(commands, &MainToolbarCommands::graphRequested, m_graph, &RealTimeGraph::open);
    // The memory panel, its set loads and the download from the poll's announcement.
    m_memory = new MemoryCommands(m_mainWindow, commands->windows(), m_mainWindow);
    // The data plot: opened by "Plot" in the File List and the Data List, and following a new
    // table of the list it reads.
    m_plot = new DataPlot(m_mainWindow, this);
    connect(commands->windows(), &RecordWindows::keyClicked, m_plot, &DataPlot::keyClicked);
    // The Summary of each record table, in the main window's temperature unit.
    connect(commands->windows(), &RecordWindows::keyClicked, this,
            [this](RecordWindow *window, const QString &key) {
                if (key == QLatin1String("Summary") && window)
                    SummaryWindow::openFor(window, m_state.celsiusMode, m_recorder);
            });
    connect(commands->windows(), &RecordWindows::tableReplaced, m_plot, &DataPlot::tableReplaced);
    // "Publish": the meter's readings to an MQTT broker.
    m_publishing = new PublishCommands(m_mainWindow, this);
    connect(m_publishing, &PublishCommands::stopped, this, &Application::finished);

    m_port = new PortWindow(&m_state, m_portMap.get());
    connect(m_port, &PortWindow::accepted, this, &Application::openMainWindow);
    connect(m_port, &PortWindow::cancelled, this, &Application::shutDown);
}

Application::~Application()
{
    m_poll->setEnabled(false);
    m_recorder->setTimerEnabled(false);
    if (m_recorder->isRecording())
        m_recorder->stopRecording();
    m_link->close();
    delete m_publishing;
    // Windows first, then the parts they point at, all before the port numbering goes.
    delete m_demoWindow;
    delete m_graph;
    delete m_plot;
    delete m_port;
    delete m_memory; // lets go of the main window while it is still whole
    delete m_mainWindow;
    delete m_poll;
    delete m_recorder;
    delete m_link;
    delete m_meter;
}

bool Application::start(QString *error)
{
    if (m_options.demo) {
        m_meter = new SimulatedMeter(this);
        QString message;
        if (!m_meter->open(&message)) {
            if (error)
                *error = QStringLiteral("The demo meter could not start: %1").arg(message);
            return false;
        }
        m_portMap->setOverride(m_meter->path());
    }

    m_port->placeOnScreen();
    m_port->show();
    if (m_meter) {
        m_demoWindow = new DemoMeterWindow(m_meter);
        m_demoWindow->adjustSize();
        const QRect frame = m_port->frameGeometry();
        m_demoWindow->move(frame.right() + 24, frame.top());
        m_demoWindow->show();
        // Closed, the control window comes back with Ctrl+D in the main window.
        auto *showDemo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), m_mainWindow);
        connect(showDemo, &QShortcut::activated, m_demoWindow, [this] {
            m_demoWindow->show();
            m_demoWindow->raise();
            m_demoWindow->activateWindow();
        });
        m_port->raise();
        m_port->activateWindow();
    }
    return true;
}

void Application::openMainWindow()
{
    // The load places the window and settles online or offline (its message included) before
    // the window is first seen, so it never shows keys that are about to be disabled.
    m_mainWindow->load();
    m_publishing->startIfWanted();
    m_mainWindow->show();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
    if (m_demoWindow) {
        // Beside the main window, which now sits in the top-left corner.
        const QRect frame = m_mainWindow->frameGeometry();
        m_demoWindow->move(frame.right() + 24, frame.top());
    }
}

void Application::shutDown()
{
    if (m_finished)
        return;
    m_finished = true;
    // Nothing runs any more; a recording is closed with every record it took.
    m_poll->setEnabled(false);
    m_recorder->setTimerEnabled(false);
    if (m_recorder->isRecording())
        m_recorder->stopRecording();
    m_link->close();
    if (m_meter)
        m_meter->close();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible() && window != m_mainWindow)
            window->close();
    }
    if (m_mainWindow->isVisible())
        m_mainWindow->hide();
    // finished() once the broker has "offline" (at once when nothing is published).
    m_publishing->stop();
}

} // namespace dewscope
