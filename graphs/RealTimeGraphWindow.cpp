#include "graphs/RealTimeGraphWindow.h"

#include "desktop/WindowPlacement.h"
#include "graphs/GraphFrame.h"
#include "graphs/GraphPrintout.h"
#include "graphs/GraphToolbar.h"
#include "graphs/RealTimeGraphState.h"
#include "meter/SharedState.h"

#include <QAction>
#include <QCloseEvent>
#include <QPainter>
#include <QPrinter>
#include <QTime>
#include <QToolBar>

namespace dewscope {

const QString RealTimeGraphWindow::Caption = QStringLiteral("Real Time Graph");

namespace {

const QColor Black(0, 0, 0);
constexpr int GridColor = GraphFrame::GridColor;
constexpr int White = GraphFrame::White;
const QColor *const CurveColors = GraphFrame::CurveColors;

QFont graphFont()
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(8.25);
    return font;
}

} // namespace

RealTimeGraphWindow::RealTimeGraphWindow(const SharedState *shared, RealTimeGraphState *graph,
                                         QWidget *mainWindow, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_shared(shared)
    , m_graph(graph)
    , m_mainWindow(mainWindow)
    , m_surface(graphFont(), palette().color(QPalette::Window))
{
    setWindowTitle(Caption);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_toolbar = addGraphToolbar(this, &m_limit, &m_print);
    connect(m_limit, &QAction::triggered, this, &RealTimeGraphWindow::limitRequested);
    connect(m_print, &QAction::triggered, this, &RealTimeGraphWindow::print);

    // The timer does not tick until it is given an interval.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RealTimeGraphWindow::tick);

    resize(RealTimeGraphState::twipsToPixels(RealTimeGraphState::OpeningClientWidthTwips),
           RealTimeGraphState::twipsToPixels(RealTimeGraphState::OpeningClientHeightTwips));
    if (m_mainWindow) {
        const QRect main = m_mainWindow->frameGeometry();
        WindowPlacement::place(this, QPoint(main.x() + main.width(), 0), m_mainWindow);
    }
    m_graph->x = -m_graph->step;
}

RealTimeGraphWindow::~RealTimeGraphWindow()
{
    m_timer.stop();
    if (m_printDialog)
        m_printDialog->deleteLater();
}

void RealTimeGraphWindow::startSweep(int intervalMs)
{
    m_timer.start(intervalMs);
}

void RealTimeGraphWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_toolbar->resize(width(), m_toolbar->sizeHint().height());
    // A minimised window sweeps on in its image; a new size is drawn once it is restored.
    if (isMinimized())
        return;
    // The outer size springs back to its minimum; the frame is drawn at the size reached.
    const QSize outer = frameGeometry().size();
    const int minWidth = RealTimeGraphState::twipsToPixels(RealTimeGraphState::MinimumWidthTwips);
    const int minHeight = RealTimeGraphState::twipsToPixels(RealTimeGraphState::MinimumHeightTwips);
    if (outer.width() < minWidth || outer.height() < minHeight) {
        resize(width() + qMax(0, minWidth - outer.width()),
               height() + qMax(0, minHeight - outer.height()));
    }
    drawFrame();
}

void RealTimeGraphWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized()
        && m_surface.image().size() != size())
        drawFrame();
}

void RealTimeGraphWindow::closeEvent(QCloseEvent *event)
{
    m_timer.stop();
    QWidget::closeEvent(event);
}

void RealTimeGraphWindow::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_surface.image(), event->rect());
}

void RealTimeGraphWindow::drawFrame()
{
    RealTimeGraphState &g = *m_graph;
    DrawingSurface &s = m_surface;
    s.setImageSize(size());
    g.layOut(int(s.scaleWidth()), int(s.scaleHeight()));

    const GraphFrame frame = GraphFrame::of(g);
    frame.drawScales(s);

    s.fillBox(g.left, g.bottom, g.left + g.width, g.bottom - g.height,
              DrawingSurface::paletteColor(White));
    g.restartSweep();

    frame.drawLegend(s);
    m_surface.takeChanged();
    update();
}

void RealTimeGraphWindow::tick()
{
    // Minimised too: the sweep keeps time; only the repaint waits for the window.
    RealTimeGraphState &g = *m_graph;
    DrawingSurface &s = m_surface;
    const QColor white = DrawingSurface::paletteColor(White);
    const QColor grid = DrawingSurface::paletteColor(GridColor);
    g.advance();

    // Erase bar ahead of the cursor.
    s.fillBox(g.left + g.x + 2, g.bottom + 3, g.left + g.x + 2 + g.step, g.bottom - g.height - 5,
              white);

    GraphFrame::of(g).drawGrid(s);

    for (int c = 0; c < RealTimeGraphState::CurveCount; ++c) {
        const auto curve = RealTimeGraphState::Curve(c);
        const float h
            = g.curveHeight(curve, RealTimeGraphState::curveText(m_shared->reading, curve));
        if (g.drawsSegment())
            s.line(g.prevX, g.prevY[c], g.left + g.x, g.bottom - h, CurveColors[c]);
        g.prevY[c] = g.bottom - h;
    }
    g.prevX = g.left + g.x;

    const double x = g.left + g.x;
    switch (g.timeMark()) {
    case RealTimeGraphState::TimeMark::Label: {
        s.setDrawStyle(DrawingSurface::Style::Dotted);
        s.line(x, g.bottom, x, g.bottom - g.height - 10, grid);
        s.setDrawStyle(DrawingSurface::Style::Solid);
        m_timeLabel = QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
        const double w = s.textWidth(m_timeLabel) / 2;
        s.fillBox(x - w, g.bottom + 10, x + w, g.bottom + 20, white);
        s.setCurrentX(x - w);
        s.setCurrentY(g.bottom + 10);
        s.setForeColor(Black);
        s.print(m_timeLabel);
        break;
    }
    case RealTimeGraphState::TimeMark::HalfTick:
        s.line(x, g.bottom - 3.8 * g.height / 8, x, g.bottom - 4.2 * g.height / 8, grid);
        break;
    case RealTimeGraphState::TimeMark::None:
        break;
    }
    showChanges();
}

void RealTimeGraphWindow::showChanges()
{
    const QRegion changed = m_surface.takeChanged();
    if (!changed.isEmpty())
        update(changed);
}

bool RealTimeGraphWindow::printTo(QPrinter *printer, QString *error)
{
    const GraphPrintout printout(Caption, QStringLiteral("live"));
    return printGraphPage(
        printer,
        [&](QPagedPaintDevice *page) { return printout.printImage(page, m_surface.image()); },
        error);
}

void RealTimeGraphWindow::print()
{
    if (m_printDialog)
        return;
    // The graph goes on sweeping while the dialog is open.
    m_printDialog = printGraphWindow(
        m_toolbar, m_mainWindow ? m_mainWindow.data() : this, Caption,
        [this](QPrinter *printer, QString *error) { return printTo(printer, error); });
}

} // namespace dewscope
