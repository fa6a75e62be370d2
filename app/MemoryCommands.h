#pragma once

#include "memory/MemoryImage.h"
#include "memory/MemoryTransfer.h"
#include "memory/SetLoader.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace dewscope {

class MainWindow;
class RecordWindows;

// The main window's datalogger memory: the download the poll's announcement starts (progress in
// the main window's caption, the memory panel after it), the image of the last download, and
// the loading of a set into the Data List when Enter is pressed in the set box.
class MemoryCommands : public QObject
{
    Q_OBJECT

public:
    static const QString InvalidSetMessage;

    MemoryCommands(MainWindow *panel, RecordWindows *windows, QObject *parent = nullptr);
    ~MemoryCommands() override;

    MemoryImage *image() { return &m_image; }
    MemoryTransfer *transfer() { return &m_transfer; }
    // The loader of the last set, while it runs.
    SetLoader *setLoader() const { return m_loader; }

public Q_SLOTS:
    // Enter in the set box: the Data List is closed; a number outside 1 .. SetCount empties the
    // box and gives "Invalid, try again!"; otherwise the set's records fill a new Data List.
    void loadSet(const QString &text);

Q_SIGNALS:
    // A download ended: the caption is back, the panel shown when the image held sets.
    void downloadEnded(bool complete);
    // A set load ended: every record loaded, or some missing from a cut-short image.
    void setLoaded(bool complete);

private:
    void downloadAnnounced();
    void downloadFinished(bool complete);
    void showMessage(const QString &name, int icon, const QString &text);

    QPointer<MainWindow> m_mainWindow;
    QPointer<RecordWindows> m_windows;
    MemoryImage m_image;
    MemoryTransfer m_transfer;
    QString m_caption; // the main window's caption before the download
    QPointer<SetLoader> m_loader;
};

} // namespace dewscope
