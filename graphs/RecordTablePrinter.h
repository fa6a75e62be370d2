#pragma once

#include "graphs/DrawingSurface.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QPagedPaintDevice;

namespace dewscope {

class RecordTableModel;

// Prints a record table on the pages of a printer or PDF writer (PrintRecordTable): the page
// number at the foot of each page as it starts, the headers and the rule, then the records, 45
// to a page. The records are printed in slices, each a turn of the event loop bounded in rows
// and in time, so the window stays responsive; the number of rows is read again at every row,
// so records appended meanwhile are printed too. After each slice the caption counts
// "n record(s) completed". At the end the document is ended and goes to the printer; a failure
// abandons it (abandoning() comes first, for a printer to abort its job).
class RecordTablePrinter : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultSliceRows = 500;
    static constexpr int DefaultSliceMs = 10;

    RecordTablePrinter(RecordTableModel *model, QPagedPaintDevice *device,
                       QObject *parent = nullptr);
    ~RecordTablePrinter() override;

    void setSliceLimits(int rows, int milliseconds);

    // Begins the document and its first page; the records follow in slices. False when the
    // device cannot be painted on; finished(false, ...) is emitted then too.
    bool start();
    bool isRunning() const { return m_running; }
    int recordsPrinted() const { return m_next - 1; }
    int pagesPrinted() const { return m_page; }

Q_SIGNALS:
    void captionChanged(const QString &caption);
    void abandoning();
    void finished(bool ok, const QString &error);

private:
    void slice();
    // PrintPageBreak: the y of the next line, on a new page with its headers when this one is
    // full. False when the new page could not be started.
    bool printPageBreak(int *y, int lineHeight, int top);
    void printPageNumber();
    void printAt(double x, double y, const QString &text);
    void finish(bool ok, const QString &error);

    QPointer<RecordTableModel> m_model;
    QPagedPaintDevice *m_device;
    DrawingSurface m_surface;
    QTimer m_timer;
    int m_sliceRows = DefaultSliceRows;
    int m_sliceMs = DefaultSliceMs;
    int m_y = 0;
    int m_next = 1;
    int m_page = 0;
    bool m_running = false;
};

} // namespace dewscope
