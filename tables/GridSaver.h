#pragma once

#include "recording/OutputFile.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

namespace dewscope {

class RecordTableModel;

// Writes the data rows 1 .. Rows - 1 of a record grid to a data file, every cell followed by
// one TAB, lines ending CR LF. The work is cut into slices of rows, each slice a turn of the
// event loop bounded in rows and in time, so the window stays responsive while 35,000 rows are
// written. The number of rows is taken once at the start: rows appended meanwhile are not
// written. Progress goes to the window caption as "nRecords Completed" (no blank); at the end
// the caption is restored. The rows go to a temporary file beside the target, which replaces
// the target only once every row is in: a failure or an abandoned save leaves it as it was.
class GridSaver : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultSliceRows = 2000;
    static constexpr int DefaultSliceMs = 10;

    GridSaver(RecordTableModel *model, const QString &path, const QString &caption,
              QObject *parent = nullptr);
    ~GridSaver() override;

    // Upper bounds of one slice: rows written and milliseconds spent.
    void setSliceLimits(int rows, int milliseconds);

    // Opens the temporary file and starts writing in slices. Returns false when the target
    // cannot be written (see OutputFile); finished(false, ...) is emitted then too.
    bool start();
    bool isRunning() const { return m_running; }
    // The number of data rows being written (taken at start()).
    int rowTotal() const { return m_total; }
    int rowsWritten() const { return m_next - 1; }

Q_SIGNALS:
    void captionChanged(const QString &caption);
    void finished(bool ok, const QString &error);

private:
    void slice();
    void finish(bool ok, const QString &error);

    QPointer<RecordTableModel> m_model;
    QString m_caption;
    OutputFile m_file;
    QTimer m_timer;
    int m_sliceRows = DefaultSliceRows;
    int m_sliceMs = DefaultSliceMs;
    int m_total = 0;
    int m_next = 1;
    bool m_running = false;
};

} // namespace dewscope
