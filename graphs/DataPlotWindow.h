#pragma once

#include "graphs/DrawingSurface.h"
#include "graphs/PlotPainter.h"
#include "tables/RecordTableModel.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class QAction;
class QPrinter;
class QToolBar;

namespace dewscope {

struct DataPlotState;

// "Plot Data/File ": a record table drawn as four curves, records side by side from the first to
// the last of the span. Each show or resize draws the frame and then the records in slices,
// with "r Records Completed" in the caption, letting events run between slices; a resize or a
// close abandons the pass under way. Everything is drawn on a persistent image that the window
// paints from; "Print" draws the plot anew on the page. A minimised window neither resizes nor
// draws.
class DataPlotWindow : public QWidget
{
    Q_OBJECT

public:
    static const QString Caption;
    // Records drawn between two looks at the clock, and the time a slice may take.
    static constexpr int RecordsPerCheck = 256;
    static constexpr int SliceMs = 8;

    // mainWindow: where the window is placed beside and whose print dialog it uses.
    DataPlotWindow(DataPlotState *state, const RecordTableModel *table, QWidget *mainWindow,
                   QWidget *parent = nullptr);
    ~DataPlotWindow() override;

    const QImage &image() const { return m_surface.image(); }
    QToolBar *toolbar() const { return m_toolbar; }
    QAction *limitButton() const { return m_limit; }
    QAction *printButton() const { return m_print; }
    QDialog *printDialog() const { return m_printDialog; }
    bool isDrawing() const { return m_slice.isActive(); }

    // A new source table; the next frame drawing reads it.
    void setTable(const RecordTableModel *table);
    // Frame drawing at the present size, then the curves.
    void redraw();
    // One page on a printer already set up (no dialog): a heading with the table's source and
    // the time, and the plot drawn anew at the printer's resolution as this window lays it out,
    // scaled to the page. A PDF file is written whole or not at all. False with the reason.
    bool printTo(QPrinter *printer, QString *error = nullptr);

public Q_SLOTS:
    // "Print": toolbar hidden, the main window's print dialog, the page on the chosen printer
    // with the dialog's copies and orientation, toolbar shown again.
    void print();

Q_SIGNALS:
    // "Limit": the range dialog is wanted.
    void limitRequested();
    // The curves of a pass are all drawn (the caption is back).
    void drawn();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void drawSlice();

    DataPlotState *m_state;
    QPointer<const RecordTableModel> m_table;
    QPointer<QWidget> m_mainWindow;
    DrawingSurface m_surface;
    PlotPainter m_painter;
    QTimer m_slice;
    QToolBar *m_toolbar = nullptr;
    QAction *m_limit = nullptr;
    QAction *m_print = nullptr;
    QPointer<QDialog> m_printDialog;
    bool m_pendingDraw = false; // a resize came while minimised
};

} // namespace dewscope
