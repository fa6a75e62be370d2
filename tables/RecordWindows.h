#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace dewscope {

class DataListWindow;
class FileListWindow;
class RealTimeListWindow;
class RecordWindow;
class Recorder;

// The one instance of each record window. Opening a window unloads an instance that is there
// and starts a fresh one. Reaching a window's grid while the window is closed loads it again
// without showing it: rows appended then stay in that hidden instance (the File List closed
// during a recording keeps taking the records).
class RecordWindows : public QObject
{
    Q_OBJECT

public:
    RecordWindows(Recorder *recorder, QWidget *mainWindow, QObject *parent = nullptr);
    ~RecordWindows() override;

    // The instance there is, or nullptr; loads nothing.
    RealTimeListWindow *currentList() const;
    FileListWindow *currentFileList() const;
    DataListWindow *currentDataList() const;

    // The instance, loaded hidden when there is none.
    RealTimeListWindow *list();
    FileListWindow *fileList();
    DataListWindow *dataList();

    // Opens the Real Time List anew: real-time listing starts, numbered from 1.
    RealTimeListWindow *openList();
    // Opens the File List anew with the given caption and no data rows.
    FileListWindow *openFileList(const QString &caption);
    // Opens the Data List anew, to the right of the main window.
    DataListWindow *openDataList();

    void closeList();

public Q_SLOTS:
    // The recorder's rows, added with the row-append rule.
    void appendToFileList(const QString &rowText);
    void appendToList(const QString &rowText);

Q_SIGNALS:
    // Plot or Print in one of the windows.
    void keyClicked(dewscope::RecordWindow *window, const QString &key);
    // The File List or the Data List opened anew: its table replaces the one there was.
    void tableReplaced(dewscope::RecordWindow *window);

private:
    template<typename Window> Window *load(QPointer<Window> &slot);
    template<typename Window> void unload(QPointer<Window> &slot);

    QPointer<Recorder> m_recorder;
    QPointer<QWidget> m_mainWindow;
    QPointer<RealTimeListWindow> m_list;
    QPointer<FileListWindow> m_fileList;
    QPointer<DataListWindow> m_dataList;
};

} // namespace dewscope
