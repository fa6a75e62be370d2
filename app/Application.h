#pragma once

#include "meter/SharedState.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace dewscope {

class DemoMeterWindow;
class MemoryCommands;
class MeterLink;
class MainWindow;
class Poll;
class PortWindow;
class DataPlot;
class RealTimeGraph;
class PortMap;
class PublishCommands;
class Recorder;
class SimulatedMeter;

// The program: the shared state, the port numbering, the meter link, the poll and the recorder,
// the port window at start and the main window after it. With the demo option a simulated meter
// answers on COM 1 and a small control window drives it; Ctrl+D in the main window shows that
// window again after it was closed.
class Application : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString port; // --port LOCATION: COM 1 is this system location
        bool demo = false; // --demo: the built-in simulated meter on COM 1
    };

    enum class Parse { Run, Answered, UsageError };
    // Reads the command line: Run with the options filled in; Answered after --help or
    // --version (message holds the answer); UsageError with the message for the user.
    static Parse parseArguments(const QStringList &arguments, Options *options, QString *message);

    explicit Application(const Options &options, QObject *parent = nullptr);
    ~Application() override;

    // Starts the demo meter if asked for and shows the port window. False with a message when
    // the demo meter cannot start.
    bool start(QString *error = nullptr);

    SharedState *state() { return &m_state; }
    PortMap *portMap() const { return m_portMap.get(); }
    MeterLink *meterLink() const { return m_link; }
    Poll *poll() const { return m_poll; }
    Recorder *recorder() const { return m_recorder; }
    PortWindow *port() const { return m_port; }
    MainWindow *mainWindow() const { return m_mainWindow; }
    SimulatedMeter *simulatedMeter() const { return m_meter; }
    DemoMeterWindow *demoMeterWindow() const { return m_demoWindow; }
    RealTimeGraph *realTimeGraph() const { return m_graph; }
    MemoryCommands *memoryCommands() const { return m_memory; }
    DataPlot *dataPlot() const { return m_plot; }
    PublishCommands *publishing() const { return m_publishing; }

Q_SIGNALS:
    // The port window was closed without a choice, or the main window was closed: everything
    // is released (publishing has said "offline"); the event loop may end.
    void finished();

private:
    void openMainWindow();
    void shutDown();

    Options m_options;
    SharedState m_state;
    std::unique_ptr<PortMap> m_portMap;
    MeterLink *m_link = nullptr;
    Poll *m_poll = nullptr;
    Recorder *m_recorder = nullptr;
    SimulatedMeter *m_meter = nullptr;
    PortWindow *m_port = nullptr;
    MainWindow *m_mainWindow = nullptr;
    DemoMeterWindow *m_demoWindow = nullptr;
    RealTimeGraph *m_graph = nullptr;
    MemoryCommands *m_memory = nullptr; // the main window's, deleted just before it
    DataPlot *m_plot = nullptr;
    PublishCommands *m_publishing = nullptr;
    bool m_finished = false;
};

} // namespace dewscope
