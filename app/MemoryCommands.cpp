#include "app/MemoryCommands.h"

#include "app/MainWindow.h"
#include "app/MemoryPanel.h"
#include "memory/SetLoader.h"
#include "meter/Poll.h"
#include "meter/SharedState.h"
#include "tables/DataListWindow.h"
#include "tables/RecordTableModel.h"
#include "tables/RecordWindows.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>

namespace dewscope {

const QString MemoryCommands::InvalidSetMessage = QStringLiteral("Invalid, try again!");
const QString MemoryCommands::EmptyMemoryMessage = QStringLiteral("The meter's memory is empty.");

MemoryCommands::MemoryCommands(MainWindow *mainWindow, RecordWindows *windows, QObject *parent)
    : QObject(parent)
    , m_mainWindow(mainWindow)
    , m_windows(windows)
    , m_transfer(mainWindow->meterLink(), &m_received)
{
    m_mainWindow->setMemoryImage(&m_image);
    connect(m_mainWindow, &MainWindow::setLoadRequested, this, &MemoryCommands::loadSet);
    if (Poll *poll = m_mainWindow->poll())
        connect(poll, &Poll::downloadAnnounced, this, &MemoryCommands::downloadAnnounced);
    connect(&m_transfer, &MemoryTransfer::progress, m_mainWindow, &QWidget::setWindowTitle);
    connect(&m_transfer, &MemoryTransfer::finished, this, &MemoryCommands::downloadFinished);
}

void MemoryCommands::downloadAnnounced(const QByteArray &imageStart)
{
    m_caption = m_mainWindow->windowTitle();
    if (!m_transfer.start(imageStart) && m_mainWindow->poll())
        m_mainWindow->poll()->downloadFinished();
}

void MemoryCommands::downloadFinished(bool complete)
{
    if (!m_mainWindow)
        return;
    m_mainWindow->setWindowTitle(m_caption);
    // The poll goes on; its next tick flushes whatever the meter sent past the image.
    if (Poll *poll = m_mainWindow->poll())
        poll->downloadFinished();
    MemorySets sets;
    const bool computed
        = MemoryImage::computeSets(m_received.bytes(), &sets) == MemoryImage::Fault::None;
    if (!complete) {
        showMessage(QStringLiteral("DownloadIncompleteMessage"), QMessageBox::Warning,
                    m_transfer.incompleteMessage());
        // The sets that arrived whole can still be loaded; without any the panel keeps its own.
        if (!computed || sets.setCount == 0) {
            Q_EMIT downloadEnded(false);
            return;
        }
    }
    // Sets that cannot be computed bring "Warning! Operation error!" and the image before back.
    m_image.setBytes(m_received.bytes());
    if (complete && computed && sets.slotCount == 0) {
        m_image.updateSets();
        m_mainWindow->showMemoryPanel(false);
        showMessage(QStringLiteral("EmptyMemoryMessage"), QMessageBox::Information,
                    EmptyMemoryMessage);
        Q_EMIT downloadEnded(true);
        return;
    }
    m_mainWindow->showMemoryPanel(true);
    if (m_image.sets().setCount == 0)
        m_mainWindow->showMemoryPanel(false);
    Q_EMIT downloadEnded(complete);
}

MemoryCommands::~MemoryCommands()
{
    if (m_mainWindow)
        m_mainWindow->setMemoryImage(nullptr);
    delete m_loader;
}

void MemoryCommands::showMessage(const QString &name, int icon, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Icon(icon), QCoreApplication::applicationName(), text,
                                QMessageBox::Ok, m_mainWindow);
    box->setObjectName(name);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void MemoryCommands::loadSet(const QString &text)
{
    if (!m_windows || !m_mainWindow)
        return;
    // A load under way ends with its window.
    delete m_loader;
    if (DataListWindow *open = m_windows->currentDataList())
        open->close();

    // Digits only reach the box; a number too long for any set count is out of range too.
    bool ok = false;
    const qint64 number = text.isEmpty() ? 0 : text.toLongLong(&ok);
    const MemorySets &sets = m_image.sets();
    if ((!ok && !text.isEmpty()) || !sets.isSetNumber(number)) {
        m_mainWindow->memoryPanel()->setBox()->clear();
        showMessage(QStringLiteral("InvalidSetMessage"), QMessageBox::NoIcon, InvalidSetMessage);
        return;
    }

    const int setNumber = int(number);
    const SetRecords records(m_image.bytes(), sets, setNumber);
    DataListWindow *list = m_windows->openDataList();
    list->model()->setSource(tr("memory set %1").arg(setNumber));
    const QString caption = list->windowTitle();
    SharedState *state = m_mainWindow->sharedState();
    m_loader = new SetLoader(list->model(), records, &state->reading, &state->texts, this);
    const QPointer<DataListWindow> window(list);
    connect(m_loader, &SetLoader::captionChanged, list, &QWidget::setWindowTitle);
    connect(
        m_loader, &SetLoader::finished, this, [this, window, caption, setNumber](bool complete) {
            const SetRecords &records = m_loader->records();
            if (window)
                window->setWindowTitle(caption);
            m_loader->deleteLater();
            QStringList notes;
            if (records.missing() > 0)
                notes << tr("Set %1 is cut short: the memory image ends before its last %2 of %3 "
                            "records. The %4 records that arrived whole were loaded.")
                             .arg(setNumber)
                             .arg(records.missing())
                             .arg(records.count())
                             .arg(records.available());
            if (!records.hasTimes())
                notes << tr("The memory's starting time %1 is no time of day: the records carry no "
                            "time.")
                             .arg(m_image.sets().startTime);
            if (window && !notes.isEmpty())
                showMessage(QStringLiteral("SetLoadMessage"), QMessageBox::Warning,
                            notes.join(QLatin1Char('\n')));
            Q_EMIT setLoaded(complete);
        });
    m_loader->start();
}

} // namespace dewscope
