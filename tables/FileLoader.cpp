#include "tables/FileLoader.h"

#include "recording/DataFile.h"
#include "tables/RecordTableModel.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace dewscope {

namespace {

// A data file's second field is the time of day, "hh:mm:ss".
bool hasTime(QStringView item)
{
    const qsizetype start = item.indexOf(QLatin1Char('\t')) + 1;
    if (start == 0)
        return false;
    const qsizetype end = item.indexOf(QLatin1Char('\t'), start);
    return DataFile::timeOfDay(item.mid(start, end < 0 ? -1 : end - start)) >= 0;
}

} // namespace

FileLoader::FileLoader(RecordTableModel *model, const QString &path, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_file(path)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &FileLoader::slice);
}

FileLoader::~FileLoader()
{
    m_file.close();
}

void FileLoader::setSliceLimits(int items, int milliseconds)
{
    m_sliceItems = qMax(1, items);
    m_sliceMs = qMax(1, milliseconds);
}

QString FileLoader::fileTitle() const
{
    return QFileInfo(m_file.fileName()).fileName();
}

bool FileLoader::start()
{
    if (m_running)
        return false;
    // Only regular files: a FIFO would block the open until a writer comes, a device such as
    // /dev/zero never ends, and a directory fails every read.
    const QString refusal = DataFile::whyNotReadable(m_file.fileName());
    if (!refusal.isEmpty() || !m_file.open(QIODevice::ReadOnly)) {
        finish(false, refusal.isEmpty() ? m_file.errorString() : refusal);
        return false;
    }
    m_reader = std::make_unique<DataFileReader>(&m_file);
    m_hash.reset();
    m_reader->setHash(&m_hash);
    m_count = 0;
    m_leftOut = 0;
    m_cellsCut = 0;
    m_untimed = 0;
    m_running = true;
    m_timer.start();
    return true;
}

void FileLoader::slice()
{
    if (!m_running)
        return;
    if (!m_model) {
        finish(false, tr("The table was closed while the file was loading."));
        return;
    }
    QElapsedTimer clock;
    clock.start();
    int inSlice = 0;
    QString item;
    while (inSlice < m_sliceItems && clock.elapsed() < m_sliceMs) {
        const DataFileReader::Status status = m_reader->next(&item, ByteBudget);
        if (status == DataFileReader::Status::Pending)
            continue;
        if (status == DataFileReader::Status::End) {
            if (inSlice > 0 && m_leftOut == 0)
                Q_EMIT captionChanged(QString::number(m_count)
                                      + QLatin1String(" Records Completed"));
            if (!m_reader->hasError())
                m_model->setSourceFile(
                    { m_file.fileName(), m_reader->bytesRead(), m_hash.result().toHex() });
            finish(!m_reader->hasError(), m_reader->hasError() ? m_file.errorString() : QString());
            return;
        }
        ++inSlice;
        int cut = 0;
        if (m_leftOut > 0 || !m_model->addItem(item, &cut)) {
            ++m_leftOut;
            continue;
        }
        m_cellsCut += cut;
        ++m_count;
        if (!hasTime(item))
            ++m_untimed;
    }
    if (inSlice > 0 && m_leftOut == 0)
        Q_EMIT captionChanged(QString::number(m_count) + QLatin1String(" Records Completed"));
    m_timer.start();
}

QString FileLoader::cutNotice() const
{
    QStringList parts;
    if (m_leftOut > 0)
        parts << tr("The table holds at most %1 records: the last %2 rows of the file were "
                    "left out.")
                     .arg(RecordTableModel::MaxRows)
                     .arg(m_leftOut);
    if (m_cellsCut > 0)
        parts << tr("%1 cells were longer than %2 characters and are shown cut to that length.")
                     .arg(m_cellsCut)
                     .arg(RecordTableModel::MaxCellLength);
    if (parts.isEmpty())
        return QString();
    return tr("%1 is not shown in full.").arg(fileTitle()) + QLatin1Char('\n')
        + parts.join(QLatin1Char('\n'));
}

QString FileLoader::notice() const
{
    QStringList parts;
    if (2 * qint64(m_untimed) > m_count)
        parts << tr("%1 does not look like a data file: %2 of its %3 rows have no time in their "
                    "second cell.")
                     .arg(fileTitle())
                     .arg(m_untimed)
                     .arg(m_count);
    if (!cutNotice().isEmpty())
        parts << cutNotice();
    return parts.join(QLatin1Char('\n'));
}

void FileLoader::finish(bool ok, const QString &error)
{
    m_running = false;
    m_timer.stop();
    m_file.close();
    Q_EMIT captionChanged(fileTitle());
    Q_EMIT finished(ok, error);
}

} // namespace dewscope
