#pragma once

#include "memory/SetRecords.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace dewscope {

class RecordTableModel;

// Turns the records of one memory set into rows of a record grid (the Data List), record by
// record into the shared reading and its texts, as a loaded set overwrites the live values.
// It works in slices, each a turn of the event loop bounded in time, and appends each slice's
// rows in one insertion. The caption shows "n Records Completed" after every slice. Loading
// stops when the grid goes (its window was closed or reopened) or is full.
class SetLoader : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultSliceMs = 10;

    SetLoader(RecordTableModel *model, const SetRecords &records, Reading *reading,
              ReadingTexts *texts, QObject *parent = nullptr);

    void setSliceLimit(int milliseconds) { m_sliceMs = qMax(1, milliseconds); }
    void start();
    bool isRunning() const { return m_running; }
    int rowsLoaded() const { return m_next - 1; }
    const SetRecords &records() const { return m_records; }

Q_SIGNALS:
    void captionChanged(const QString &caption);
    // complete: every record of the set is in the grid. Records missing from a cut-short image
    // are records().missing().
    void finished(bool complete);

private:
    void slice();
    void finish();

    QPointer<RecordTableModel> m_model;
    SetRecords m_records;
    Reading *m_reading;
    ReadingTexts *m_texts;
    QTimer m_timer;
    int m_sliceMs = DefaultSliceMs;
    int m_next = 1;
    bool m_running = false;
};

} // namespace dewscope
