#include "tables/GridSaver.h"

#include "recording/DataFile.h"
#include "tables/RecordTableModel.h"

namespace dewscope {

GridSaver::GridSaver(RecordTableModel *model, const QString &path, const QString &caption,
                     QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_caption(caption)
    , m_file(path)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &GridSaver::slice);
}

GridSaver::~GridSaver() = default;

void GridSaver::setSliceLimits(int rows, int milliseconds)
{
    m_sliceRows = qMax(1, rows);
    m_sliceMs = qMax(1, milliseconds);
}

bool GridSaver::start()
{
    if (m_running)
        return false;
    if (!m_model) {
        Q_EMIT finished(false, tr("The table is gone."));
        return false;
    }
    if (!m_file.open()) {
        Q_EMIT finished(false, m_file.errorString());
        return false;
    }
    m_total = m_model->rows() - 1;
    m_next = 1;
    m_running = true;
    m_timer.start();
    return true;
}

void GridSaver::slice()
{
    if (!m_running)
        return;
    if (!m_model) {
        finish(false, tr("The table was closed while it was being saved."));
        return;
    }
    QElapsedTimer clock;
    clock.start();
    QByteArray chunk;
    int inSlice = 0;
    // Rows cleared away meanwhile are not there to write.
    const int last = qMin(m_total, m_model->rows() - 1);
    while (m_next <= last && inSlice < m_sliceRows && clock.elapsed() < m_sliceMs) {
        chunk += DataFile::gridSaveLine(m_model->savedCells(m_next));
        ++m_next;
        ++inSlice;
    }
    if (!chunk.isEmpty()) {
        if (m_file.device()->write(chunk) != chunk.size()) {
            m_file.abandon();
            finish(false, m_file.errorString());
            return;
        }
        Q_EMIT captionChanged(QString::number(m_next - 1) + QLatin1String("Records Completed"));
    }
    if (m_next > last) {
        if (!m_file.commit()) {
            finish(false, m_file.errorString());
            return;
        }
        finish(true, QString());
        return;
    }
    m_timer.start();
}

void GridSaver::finish(bool ok, const QString &error)
{
    m_running = false;
    m_timer.stop();
    m_file.cancel(); // after a commit, nothing is left to drop
    Q_EMIT captionChanged(m_caption);
    Q_EMIT finished(ok, error);
}

} // namespace dewscope
