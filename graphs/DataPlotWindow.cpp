#include "graphs/DataPlotWindow.h"

#include "desktop/WindowPlacement.h"
#include "graphs/DataPlotState.h"
#include "graphs/GraphPrintout.h"
#include "graphs/GraphToolbar.h"

#include <QCloseEvent>
#include <QPainter>
#include <QPrinter>
#include <QToolBar>

namespace dewscope {

const QString DataPlotWindow::Caption = QStringLiteral("Plot Data/File ");

DataPlotWindow::DataPlotWindow(DataPlotState *state, const RecordTableModel *table,
                               QWidget *mainWindow, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_state(state)
    , m_table(table)
    , m_mainWindow(mainWindow)
    , m_surface(PlotPainter::font(), PlotPainter::backColor())
    , m_painter(&m_surface, state)
{
    setWindowTitle(Caption);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_toolbar = addGraphToolbar(this, &m_limit, &m_print);
    connect(m_limit, &QAction::triggered, this, &DataPlotWindow::limitRequested);
    connect(m_print, &QAction::triggered, this, &DataPlotWindow::print);
    m_slice.setSingleShot(true);
    m_slice.setInterval(0);
    connect(&m_slice, &QTimer::timeout, this, &DataPlotWindow::drawSlice);

    resize(DataPlotState::twipsToPixels(DataPlotState::OpeningClientWidthTwips),
           DataPlotState::twipsToPixels(DataPlotState::OpeningClientHeightTwips));
    if (m_mainWindow) {
        const QRect main = m_mainWindow->frameGeometry();
        WindowPlacement::place(this, QPoint(main.x() + main.width(), 0), m_mainWindow);
    }
}

DataPlotWindow::~DataPlotWindow()
{
    m_slice.stop();
    if (m_printDialog)
        m_printDialog->deleteLater();
}

void DataPlotWindow::setTable(const RecordTableModel *table)
{
    m_table = table;
}

void DataPlotWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_toolbar->resize(width(), m_toolbar->sizeHint().height());
    if (isMinimized()) {
        m_pendingDraw = true;
        return;
    }
    // Below the minimum, both sides go back to it; that resize draws.
    const QSize outer = frameGeometry().size();
    const int minWidth = DataPlotState::twipsToPixels(DataPlotState::MinimumWidthTwips);
    const int minHeight = DataPlotState::twipsToPixels(DataPlotState::MinimumHeightTwips);
    if (outer.width() < minWidth || outer.height() < minHeight) {
        const QSize target = size() + QSize(minWidth, minHeight) - outer;
        if (target != size()) {
            m_slice.stop();
            resize(target);
            return;
        }
    }
    redraw();
}

void DataPlotWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized() && m_pendingDraw)
        redraw();
}

void DataPlotWindow::closeEvent(QCloseEvent *event)
{
    m_slice.stop();
    setWindowTitle(Caption);
    QWidget::closeEvent(event);
}

void DataPlotWindow::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_surface.image(), event->rect());
}

void DataPlotWindow::redraw()
{
    m_pendingDraw = false;
    m_slice.stop(); // a pass under way is abandoned
    setWindowTitle(Caption);
    m_surface.setImageSize(size());
    m_painter.drawFrame();
    m_surface.takeChanged();
    update();
    m_slice.start();
}

void DataPlotWindow::drawSlice()
{
    if (isMinimized()) {
        m_pendingDraw = true;
        return;
    }
    QElapsedTimer clock;
    clock.start();
    PlotPainter::Progress progress = PlotPainter::Progress::Running;
    while (progress == PlotPainter::Progress::Running && clock.elapsed() < SliceMs)
        progress = m_painter.drawRecords(m_table, RecordsPerCheck);
    const QRegion changed = m_surface.takeChanged();
    if (!changed.isEmpty())
        update(changed);
    switch (progress) {
    case PlotPainter::Progress::Running:
        setWindowTitle(QStringLiteral("%1 Records Completed").arg(m_painter.currentRow()));
        m_slice.start();
        break;
    case PlotPainter::Progress::Finished:
        setWindowTitle(Caption);
        Q_EMIT drawn();
        break;
    case PlotPainter::Progress::Failed:
        // The table lost rows of the span or a scale has no extent: the window goes out of
        // sight, keeping the last progress in its caption.
        hide();
        break;
    }
}

bool DataPlotWindow::printTo(QPrinter *printer, QString *error)
{
    const GraphPrintout printout(Caption, m_table ? m_table->source() : QString());
    return printGraphPage(
        printer,
        [&](QPagedPaintDevice *page) {
            return printout.printPlot(page, *m_state, m_table, size());
        },
        error);
}

void DataPlotWindow::print()
{
    if (m_printDialog)
        return;
    m_printDialog = printGraphWindow(
        m_toolbar, m_mainWindow ? m_mainWindow.data() : this,
        m_table && !m_table->source().isEmpty() ? m_table->source() : Caption.trimmed(),
        [this](QPrinter *printer, QString *error) { return printTo(printer, error); });
}

} // namespace dewscope
