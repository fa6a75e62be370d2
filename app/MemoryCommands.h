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
// the main window's caption, the memory panel after it), the image the panel's sets are read
// from, and the loading of a set into the Data List when Enter is pressed in the set box.
//
// A download is received apart and becomes the panel's image only when its sets can be
// computed (a cut-short one offers the sets that came) or it is an empty memory; otherwise the
// panel keeps the image before.
class MemoryCommands : public QObject
{
    Q_OBJECT

public:
    static const QString InvalidSetMessage;
    static const QString EmptyMemoryMessage;

    MemoryCommands(MainWindow *mainWindow, RecordWindows *windows, QObject *parent = nullptr);
    ~MemoryCommands() override;

    // The image of the panel's sets.
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
    void downloadAnnounced(const QByteArray &imageStart);
    void downloadFinished(bool complete);
    void showMessage(const QString &name, int icon, const QString &text);

    QPointer<MainWindow> m_mainWindow;
    QPointer<RecordWindows> m_windows;
    MemoryImage m_image;
    MemoryImage m_received; // the download under way or last ended
    MemoryTransfer m_transfer;
    QString m_caption; // the main window's caption before the download
    QPointer<SetLoader> m_loader;
};

} // namespace dewscope
