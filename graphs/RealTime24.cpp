#include "graphs/RealTime24.h"

#include "graphs/RealTimeGraphState.h"
#include "graphs/ScaleLabel.h"
#include "meter/SharedState.h"

#include <QAction>
#include <QCloseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTime>
#include <QToolBar>

#include <memory>

namespace dewscope {

const QString RealTime24::Caption = QStringLiteral("Real Time Graph");

namespace {

const QColor Black(0, 0, 0);
const QColor Blue(0, 0, 255);
const QColor Green(0, 255, 0);
const QColor Red(255, 0, 0);
constexpr int GridColor = 7;
constexpr int White = 15;

const QColor CurveColors[RealTimeGraphState::CurveCount] = { Black, Blue, Green, Red };

QFont graphFont()
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(8.25);
    return font;
}

// The toolbar pictures: a scale with its limits, and a printer.
QIcon limitImage()
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(6, 3, 6, 21);
    p.drawLine(3, 5, 12, 5);
    p.drawLine(3, 19, 12, 19);
    p.setPen(QPen(Blue, 2));
    p.drawLine(10, 15, 15, 9);
    p.drawLine(15, 9, 21, 12);
    return QIcon(pixmap);
}

QIcon printImage()
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(7, 3, 10, 7);
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(3, 10, 18, 8);
    p.setBrush(Qt::white);
    p.drawRect(7, 15, 10, 6);
    return QIcon(pixmap);
}

} // namespace

RealTime24::RealTime24(const SharedState *shared, RealTimeGraphState *graph, QWidget *mainWindow,
                       QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_shared(shared)
    , m_graph(graph)
    , m_mainWindow(mainWindow)
    , m_surface(graphFont(), palette().color(QPalette::Window))
{
    setWindowTitle(Caption);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_toolbar = new QToolBar(this);
    m_toolbar->setIconSize(QSize(24, 24));
    m_limit = m_toolbar->addAction(limitImage(), QStringLiteral("Limit"));
    m_print = m_toolbar->addAction(printImage(), QStringLiteral("Print"));
    m_toolbar->adjustSize();
    connect(m_limit, &QAction::triggered, this, &RealTime24::limitRequested);
    connect(m_print, &QAction::triggered, this, &RealTime24::print);

    // The timer does not tick until it is given an interval.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RealTime24::tick);

    resize(RealTimeGraphState::twipsToPixels(RealTimeGraphState::OpeningClientWidthTwips),
           RealTimeGraphState::twipsToPixels(RealTimeGraphState::OpeningClientHeightTwips));
    if (m_mainWindow) {
        const QRect main = m_mainWindow->frameGeometry();
        move(main.x() + main.width(), 0);
    }
    m_graph->x = -m_graph->step;
}

RealTime24::~RealTime24()
{
    m_timer.stop();
    if (m_printDialog)
        m_printDialog->deleteLater();
}

void RealTime24::startSweep(int intervalMs)
{
    m_timer.start(intervalMs);
}

void RealTime24::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_toolbar->resize(width(), m_toolbar->sizeHint().height());
    // The outer size springs back to its minimum; the frame is drawn at the size reached.
    const QSize outer = frameGeometry().size();
    const int minWidth = RealTimeGraphState::twipsToPixels(RealTimeGraphState::MinimumWidthTwips);
    const int minHeight = RealTimeGraphState::twipsToPixels(RealTimeGraphState::MinimumHeightTwips);
    if (!isMinimized() && (outer.width() < minWidth || outer.height() < minHeight)) {
        resize(width() + qMax(0, minWidth - outer.width()),
               height() + qMax(0, minHeight - outer.height()));
    }
    m_surface.setImageSize(size());
    drawFrame();
    update();
}

void RealTime24::closeEvent(QCloseEvent *event)
{
    m_timer.stop();
    QWidget::closeEvent(event);
}

void RealTime24::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_surface.image(), event->rect());
}

void RealTime24::drawFrame()
{
    RealTimeGraphState &g = *m_graph;
    DrawingSurface &s = m_surface;
    s.clear();
    g.layOut(int(s.scaleWidth()), int(s.scaleHeight()));

    // Axes.
    s.setDrawWidth(2);
    s.setForeColor(Black);
    s.line(g.left - 2, g.bottom + 5, g.left - 2, g.bottom - g.height - 5);
    s.line(g.left - 2, g.bottom + 6, g.left + g.width + 2, g.bottom + 6);

    // Ticks: sixteenths, the even ones longer.
    s.setDrawWidth(1);
    for (int i = 0; i <= 16; ++i) {
        const double y = g.bottom - i * g.height / 16;
        s.line(g.left - 2, y, g.left - 7, y);
        if (i % 2 == 0)
            s.line(g.left - 2, y, g.left - 10, y);
    }

    // Scale columns: Celsius, humidity (blue), Fahrenheit.
    for (int i = 0; i <= 8; ++i) {
        const double y = g.bottom - i * g.height / 8;
        drawScaleLabel(g.minC + (g.maxC - g.minC) * i / 8, g.left - 32, y);
        s.setForeColor(Blue);
        drawScaleLabel(g.minRH + (g.maxRH - g.minRH) * i / 8, g.left - 72, y);
        s.setForeColor(Black);
        drawScaleLabel(g.minF + (g.maxF - g.minF) * i / 8, g.left - 112, y);
    }

    s.fillBox(g.left, g.bottom, g.left + g.width, g.bottom - g.height,
              DrawingSurface::paletteColor(White));
    g.restartSweep();

    drawLegend(QStringLiteral("Cel"), g.left - 30, Black);
    drawLegend(QStringLiteral("RH%"), g.left - 70, Blue);
    drawLegend(QStringLiteral("Fah"), g.left - 110, Black);
    drawLegend(QStringLiteral("Dew"), g.left + 30, Red);
    drawLegend(QStringLiteral("Wet"), g.left + 90, Green);
    m_surface.takeChanged();
}

void RealTime24::drawScaleLabel(float value, double column, double y)
{
    const QString label = formatScaleLabel(value);
    m_surface.setCurrentX(column - m_surface.textWidth(label) / 4);
    m_surface.setCurrentY(y - m_surface.textHeight(label) / 2);
    m_surface.print(label);
}

void RealTime24::drawLegend(const QString &text, double x, const QColor &color)
{
    m_surface.setCurrentX(x);
    m_surface.setCurrentY(m_graph->bottom - m_graph->height - 25);
    m_surface.setForeColor(color);
    m_surface.print(text);
}

void RealTime24::tick()
{
    if (isMinimized())
        return;
    RealTimeGraphState &g = *m_graph;
    DrawingSurface &s = m_surface;
    const QColor white = DrawingSurface::paletteColor(White);
    const QColor grid = DrawingSurface::paletteColor(GridColor);
    g.advance();

    // Erase bar ahead of the cursor.
    s.fillBox(g.left + g.x + 2, g.bottom + 3, g.left + g.x + 2 + g.step, g.bottom - g.height - 5,
              white);

    // Grid: the solid middle line, then the dotted eighths.
    s.line(g.left - 2, g.bottom - g.height / 2, g.left + g.width + 2, g.bottom - g.height / 2,
           grid);
    s.setDrawStyle(DrawingSurface::Style::Dotted);
    for (int k : { 1, 7, 6, 5, 8, 3, 2 }) {
        const double y = g.bottom - k * g.height / 8;
        s.line(g.left, y, g.left + g.width, y, grid);
    }
    s.setDrawStyle(DrawingSurface::Style::Solid);

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

void RealTime24::showChanges()
{
    const QRegion changed = m_surface.takeChanged();
    if (!changed.isEmpty())
        update(changed);
}

bool RealTime24::printTo(QPrinter *printer)
{
    return DrawingSurface::printImage(m_surface.image(), printer);
}

void RealTime24::print()
{
    if (m_printDialog)
        return;
    m_toolbar->hide();
    // The dialog writes the chosen printer, its copies and orientation into the printer; it is
    // shown without a nested event loop, and the graph goes on sweeping meanwhile.
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    auto *dialog = new QPrintDialog(printer.get(), m_mainWindow ? m_mainWindow.data() : this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_printDialog = dialog;
    connect(dialog, &QDialog::finished, this, [this, printer](int result) {
        if (result == QDialog::Accepted)
            printTo(printer.get());
        m_toolbar->show();
    });
    dialog->open();
}

} // namespace dewscope
