#include "tables/FileLoader.h"

#include "tables/RecordTableModel.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace dewscope {

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
    // A directory opens as a file on some systems and then fails every read: refuse it here.
    if (QFileInfo(m_file.fileName()).isDir() || !m_file.open(QIODevice::ReadOnly)) {
        const QString error
            = m_file.error() != QFileDevice::NoError ? m_file.errorString() : tr("Not a file.");
        finish(false, error);
        return false;
    }
    m_reader = std::make_unique<DataFileReader>(&m_file);
    m_count = 0;
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
            if (inSlice > 0)
                Q_EMIT captionChanged(QString::number(m_count)
                                      + QLatin1String(" Records Completed"));
            finish(!m_reader->hasError(), m_reader->hasError() ? m_file.errorString() : QString());
            return;
        }
        if (!m_model->addItem(item)) {
            finish(false, tr("The table is full."));
            return;
        }
        ++m_count;
        ++inSlice;
    }
    if (inSlice > 0)
        Q_EMIT captionChanged(QString::number(m_count) + QLatin1String(" Records Completed"));
    m_timer.start();
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
