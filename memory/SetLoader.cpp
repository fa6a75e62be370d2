#include "memory/SetLoader.h"

#include "tables/RecordTableModel.h"

#include <QElapsedTimer>

namespace dewscope {

SetLoader::SetLoader(RecordTableModel *model, const SetRecords &records, Reading *reading,
                     ReadingTexts *texts, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_records(records)
    , m_reading(reading)
    , m_texts(texts)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &SetLoader::slice);
}

void SetLoader::start()
{
    if (m_running)
        return;
    m_running = true;
    m_next = 1;
    m_timer.start();
}

void SetLoader::slice()
{
    if (!m_running)
        return;
    if (!m_model) {
        finish();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    QStringList rows;
    // The clock is read every few records: one record costs some microseconds.
    while (m_next + rows.size() <= m_records.available()
           && (rows.size() % 16 != 0 || clock.elapsed() < m_sliceMs)) {
        rows.append(m_records.row(m_next + int(rows.size()), *m_reading, *m_texts));
    }
    const int taken = m_model->addItems(rows);
    m_next += taken;
    if (taken > 0)
        Q_EMIT captionChanged(QString::number(m_next - 1) + QLatin1String(" Records Completed"));
    if (taken < rows.size() || m_next > m_records.available()) {
        finish();
        return;
    }
    m_timer.start();
}

void SetLoader::finish()
{
    m_running = false;
    m_timer.stop();
    Q_EMIT finished(rowsLoaded() == m_records.count());
}

} // namespace dewscope
