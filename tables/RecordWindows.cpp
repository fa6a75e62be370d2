#include "tables/RecordWindows.h"

#include "recording/Recorder.h"
#include "tables/DataListWindow.h"
#include "tables/FileListWindow.h"
#include "tables/RealTimeListWindow.h"
#include "tables/RecordTableModel.h"

namespace dewscope {

RecordWindows::RecordWindows(Recorder *recorder, QWidget *mainWindow, QObject *parent)
    : QObject(parent)
    , m_recorder(recorder)
    , m_mainWindow(mainWindow)
{
}

RecordWindows::~RecordWindows()
{
    delete m_list.data();
    delete m_fileList.data();
    delete m_dataList.data();
}

template<typename Window> Window *RecordWindows::load(QPointer<Window> &slot)
{
    if (slot)
        return slot;
    auto *window = new Window;
    window->setRecorder(m_recorder);
    connect(window, &RecordWindow::keyClicked, this,
            [this, window](const QString &key) { Q_EMIT keyClicked(window, key); });
    slot = window;
    return window;
}

template<typename Window> void RecordWindows::unload(QPointer<Window> &slot)
{
    QPointer<Window> window = slot;
    slot = nullptr;
    if (!window)
        return;
    window->close();
    if (window) {
        window->hide();
        window->deleteLater();
    }
}

RealTimeListWindow *RecordWindows::currentList() const
{
    return m_list;
}

FileListWindow *RecordWindows::currentFileList() const
{
    return m_fileList;
}

DataListWindow *RecordWindows::currentDataList() const
{
    return m_dataList;
}

RealTimeListWindow *RecordWindows::list()
{
    const bool fresh = !m_list;
    RealTimeListWindow *window = load(m_list);
    if (fresh) {
        connect(window, &RecordWindow::unloaded, this, [this] {
            if (m_recorder)
                m_recorder->listClosed();
        });
    }
    return window;
}

FileListWindow *RecordWindows::fileList()
{
    return load(m_fileList);
}

DataListWindow *RecordWindows::dataList()
{
    return load(m_dataList);
}

RealTimeListWindow *RecordWindows::openList()
{
    unload(m_list);
    if (m_recorder)
        m_recorder->startList();
    RealTimeListWindow *window = list();
    window->show();
    return window;
}

FileListWindow *RecordWindows::openFileList(const QString &caption)
{
    unload(m_fileList);
    FileListWindow *window = fileList();
    window->setWindowTitle(caption);
    window->model()->setRows(1);
    window->model()->setSource(caption); // the file's name
    window->show();
    Q_EMIT tableReplaced(window);
    return window;
}

DataListWindow *RecordWindows::openDataList()
{
    unload(m_dataList);
    DataListWindow *window = dataList();
    window->placeBeside(m_mainWindow);
    window->show();
    Q_EMIT tableReplaced(window);
    return window;
}

void RecordWindows::closeList()
{
    unload(m_list);
}

void RecordWindows::appendToFileList(const QString &rowText)
{
    fileList()->appendRecordRow(rowText);
}

void RecordWindows::appendToList(const QString &rowText)
{
    list()->appendRecordRow(rowText);
}

} // namespace dewscope
