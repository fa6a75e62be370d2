#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QLabel;
class QWidget;

namespace dewscope {

class FileLoader;
class MainWindow;
class Poll;
class RecordTablePrintJob;
class RecordWindow;
class RecordWindows;
class Recorder;

// The recording commands of the main window's toolbar: "Save" (start or stop a recording),
// "Open" (load a data file into the File List), "List" (open the Real Time List), "Graph" and
// "Sample" (the sampling time). It keeps button 1 and the recorder's labels in step with the
// recorder.
class MainToolbarCommands : public QObject
{
    Q_OBJECT

public:
    static const QString OpenRefusal;
    // The look of "Rec" while records are written, and while writing them fails.
    static const QString RecStyle;
    static const QString RecFailingStyle;
    static const QString SampleTitle;
    static const QString SamplePrompt;

    MainToolbarCommands(Recorder *recorder, RecordWindows *windows, QWidget *mainWindow,
                        QObject *parent = nullptr);

    // Creates the record windows and the recording commands of a main window and connects them
    // to its toolbar keys, button 1, its recorder labels and its poll. Both belong to the main
    // window and go with it.
    static MainToolbarCommands *attach(MainWindow *mainWindow);

    RecordWindows *windows() const;

    // Button 1 and the stop and save pictures it switches between.
    void setRecordButton(QAction *button, const QIcon &stopImage, const QIcon &saveImage);
    // The main window's "Rec", count and file name labels.
    void setLabels(QLabel *rec, QLabel *count, QLabel *fileName);
    // Closes the Real Time List when the poll finds the meter silent; the recorder records
    // nothing while it is.
    void watchPoll(Poll *poll);
    // The main window's context-menu setting, remembered between runs: records of nine fields,
    // without the date and time. It applies from the next recording on.
    static const QString NineFieldsKey;
    QAction *nineFieldsAction() const { return m_nineFields; }

    // The loader of the last "Open", while it runs.
    FileLoader *fileLoader() const;
    // The printout of a record table, from its print dialog to its end.
    RecordTablePrintJob *printJob() const;

public Q_SLOTS:
    // One toolbar key; keys other than the recording commands do nothing here.
    void runCommand(const QString &key);
    void save();
    void open();
    void list();
    void graph();
    void sample();
    void closeRealTimeList();
    // "Print" in a record window: one printout at a time, the main window's poll paused.
    void printTable(dewscope::RecordWindow *window, Poll *poll);

Q_SIGNALS:
    // "Graph": the real-time graph's owner opens it.
    void graphRequested();
    // The file of the last "Open" is loaded (ok false: it could not be read to its end).
    void openFinished(bool ok);

private:
    void addNineFieldsSetting(QWidget *mainWindow);
    void showLabels();
    void showRecordButton();
    QString askOpenPath();

    QPointer<Recorder> m_recorder;
    QPointer<RecordWindows> m_windows;
    QPointer<QWidget> m_mainWindow;
    QPointer<QAction> m_button;
    QPointer<QAction> m_nineFields;
    QIcon m_stopImage;
    QIcon m_saveImage;
    QPointer<QLabel> m_lblRec;
    QPointer<QLabel> m_lblCount;
    QPointer<QLabel> m_lblFileName;
    QPointer<FileLoader> m_loader;
    QPointer<RecordTablePrintJob> m_printJob;
    bool m_inDialog = false;
};

} // namespace dewscope
