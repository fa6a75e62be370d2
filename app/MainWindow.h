#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QString>

class QAction;
class QLabel;
class QMessageBox;
class QToolBar;

namespace dewscope {

class AlarmDesk;
class AlarmStrip;
class HelpPanel;
class MemoryImage;
class MemoryPanel;
class MeterLink;
class Poll;
class Recorder;
struct SharedState;

// The main window: the live reading in large figures, the port label, the toolbar, the
// recorder's labels, the help language panel and the (hidden) memory panel. It shows state and
// forwards the user's commands; the poll, the link and the recorder do the work.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The nine keys of the meter's program, then "Alarms" and "Publish" appended after them.
    static constexpr int ToolbarButtonCount = 11;
    static constexpr int AlarmsButton = 10;
    static constexpr int PublishButton = 11;

    MainWindow(SharedState *state, MeterLink *link, Poll *poll, Recorder *recorder,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    // The start-up steps: top-left corner, panels hidden, recorder defaults, Celsius, recorder
    // time stamp, poll on, open the port; online with "COM" and the number, or offline after
    // "No device available !". Runs once, before the window is first shown; a second call does
    // nothing. Once shown, the window's frame goes back to the corner if a window manager moved
    // it.
    void load();
    bool isLoaded() const { return m_loaded; }

    // Toolbar buttons by position, 1 to 11 (keys "Save", "Open", "List", "Graph", "Sample",
    // "Stop", "As", "CF", "help", "Alarms", "Publish"); nullptr outside. Buttons 6 and 7 are hidden: they only hold
    // the stop and save pictures that button 1 switches between while recording.
    QAction *toolbarButton(int index) const;
    QIcon stopImage() const { return m_stopImage; }
    QIcon saveImage() const { return m_saveImage; }
    // Runs the command of a toolbar key, as a click on its button does.
    void runToolbarKey(const QString &key);
    // Ctrl+S: as button 1, but a running recording stops only after the user confirms it.
    void saveFromKeyboard();

    // The recorder's labels: "Rec" (hidden until recording), the record count, the file name.
    QLabel *lblRec() const { return m_lblRec; }
    QLabel *lblCount() const { return m_lblCount; }
    QLabel *lblFileName() const { return m_lblFileName; }
    // Publishing to MQTT, hidden while the window does not publish.
    QLabel *lblPublish() const { return m_lblPublish; }

    SharedState *sharedState() const { return m_state; }
    MeterLink *meterLink() const { return m_link; }
    Poll *poll() const { return m_poll; }
    Recorder *recorder() const { return m_recorder; }

    // Memory panel. With true: poll and recorder timers stop, the panel shows, the sets of the
    // memory image are computed into its labels and set box, the window takes the height with
    // the panel, the timers run again. An image whose sets cannot be computed gives "Warning!
    // Operation error!" and the panel shows with its former values and the image they came from.
    // With false: the panel hides and the window takes its height without it.
    void showMemoryPanel(bool show);
    // The image whose sets the panel shows (none: the panel shows nothing new).
    void setMemoryImage(MemoryImage *image) { m_memoryImage = image; }
    bool isMemoryPanelVisible() const;
    MemoryPanel *memoryPanel() const { return m_memoryPanel; }
    HelpPanel *helpPanel() const { return m_helpPanel; }
    // The live alarms (none without a poll) and their strip below the figures.
    AlarmDesk *alarmDesk() const { return m_alarmDesk; }
    AlarmStrip *alarmStrip() const { return m_alarmStrip; }
    bool isHelpPanelVisible() const;

    // What the main window shows, for status checks.
    QLabel *lblTemperature() const { return m_lblTemperature; }
    QLabel *lblRH() const { return m_lblRH; }
    QLabel *lblDew() const { return m_lblDew; }
    QLabel *lblWet() const { return m_lblWet; }
    QLabel *lblCOM() const { return m_lblCOM; }
    QLabel *imaC() const { return m_imaC; }
    QLabel *imaF() const { return m_imaF; }

Q_SIGNALS:
    // Save, Open, List, Graph and Sample: carried out by the recording commands; Publish by
    // the publishing commands.
    void commandRequested(const QString &key);
    // Enter in the set number box: load the set whose number is in the text.
    void setLoadRequested(const QString &text);
    // The window was closed: the program ends. While a recording runs, closing asks first
    // whether to stop it and quit; the window stays when the user says no.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

private:
    void buildToolbar();
    QWidget *buildAlarms();
    QWidget *buildValues();
    QWidget *buildStatusStrip();
    void applyHeight();
    void goOffline();
    void showReading();
    void showUnitSign();
    void refreshUnitPictures();
    void askStopAndQuit();

    SharedState *m_state;
    MeterLink *m_link;
    Poll *m_poll;
    Recorder *m_recorder;
    bool m_loaded = false;
    bool m_closing = false;
    bool m_quitConfirmed = false; // the user agreed to end a running recording by quitting
    QPointer<QMessageBox> m_quitQuestion;
    int m_heightFrame = 0; // the frame's height when the height was last applied

    QToolBar *m_toolbar = nullptr;
    QList<QAction *> m_buttons;
    QIcon m_stopImage;
    QIcon m_saveImage;

    QLabel *m_meterName = nullptr;
    QLabel *m_lblTemperature = nullptr;
    QLabel *m_imaC = nullptr;
    QLabel *m_imaF = nullptr;
    QLabel *m_lblRH = nullptr;
    QLabel *m_unitRH = nullptr;
    QLabel *m_lblDew = nullptr;
    QLabel *m_unitDew = nullptr;
    QLabel *m_lblWet = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_lblCOM = nullptr;
    QLabel *m_lblRec = nullptr;
    QLabel *m_lblCount = nullptr;
    QLabel *m_lblFileName = nullptr;
    QLabel *m_lblPublish = nullptr;

    AlarmDesk *m_alarmDesk = nullptr;
    AlarmStrip *m_alarmStrip = nullptr;
    HelpPanel *m_helpPanel = nullptr;
    MemoryPanel *m_memoryPanel = nullptr;
    MemoryImage *m_memoryImage = nullptr;
};

} // namespace dewscope
