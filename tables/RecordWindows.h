#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace dewscope {

class DataList;
class FileList;
class List;
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
    List *currentList() const;
    FileList *currentFileList() const;
    DataList *currentDataList() const;

    // The instance, loaded hidden when there is none.
    List *list();
    FileList *fileList();
    DataList *dataList();

    // Opens the Real Time List anew: real-time listing starts, numbered from 1.
    List *openList();
    // Opens the File List anew with the given caption and no data rows.
    FileList *openFileList(const QString &caption);
    // Opens the Data List anew, to the right of the main window.
    DataList *openDataList();

    void closeList();

public Q_SLOTS:
    // The recorder's rows, added with the row-append rule.
    void appendToFileList(const QString &rowText);
    void appendToList(const QString &rowText);

Q_SIGNALS:
    // Plot or Print in one of the windows.
    void keyClicked(dewscope::RecordWindow *window, const QString &key);

private:
    template<typename Window> Window *load(QPointer<Window> &slot);
    template<typename Window> void unload(QPointer<Window> &slot);

    QPointer<Recorder> m_recorder;
    QPointer<QWidget> m_mainWindow;
    QPointer<List> m_list;
    QPointer<FileList> m_fileList;
    QPointer<DataList> m_dataList;
};

} // namespace dewscope
