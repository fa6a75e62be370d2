#include "graphs/GraphPrintout.h"

#include "graphs/DataPlotState.h"
#include "graphs/DrawingSurface.h"
#include "graphs/PlotPainter.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <cmath>

namespace dewscope {

namespace {

// The heading at the printable area's top-left, in the program's font at its point size; returns
// the area under it (device dots), half a line further down.
QRectF drawHeading(QPainter &painter, QPagedPaintDevice *device, const QString &heading)
{
    const QFont font = PlotPainter::font();
    const QFontMetricsF metrics(font, device);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(0, metrics.ascent()), heading);
    const double top = metrics.height() * 1.5;
    const QRectF printable = device->pageLayout().paintRectPixels(device->logicalDpiX());
    return QRectF(0, top, printable.width(), printable.height() - top);
}

} // namespace

GraphPrintout::GraphPrintout(const QString &what, const QString &source, const QDateTime &when)
    : m_what(what.trimmed())
    , m_source(source)
    , m_when(when)
{
}

QString GraphPrintout::heading() const
{
    const QString when = m_when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (m_source.isEmpty())
        return QStringLiteral("%1, %2").arg(m_what, when);
    return QStringLiteral("%1: %2, %3").arg(m_what, m_source, when);
}

bool GraphPrintout::printPlot(QPagedPaintDevice *device, const DataPlotState &state,
                              const RecordTableModel *table, const QSize &clientSize) const
{
    QPainter painter;
    if (clientSize.isEmpty() || !painter.begin(device))
        return false;
    const QRectF below = drawHeading(painter, device, heading());
    // The window's pixels scaled onto the page: lines and text grow with them.
    const double scale
        = qMin(below.width() / clientSize.width(), below.height() / clientSize.height());
    painter.translate(below.topLeft());
    painter.scale(scale, scale);
    DrawingSurface picture(PlotPainter::font());
    picture.beginPainter(&painter, clientSize);
    DataPlotState copy = state;
    const bool drawn
        = PlotPainter(&picture, &copy).drawAll(table) == PlotPainter::Progress::Finished;
    picture.endPainter();
    return painter.end() && drawn;
}

bool GraphPrintout::printImage(QPagedPaintDevice *device, const QImage &image) const
{
    QPainter painter;
    if (image.isNull() || !painter.begin(device))
        return false;
    const QRectF below = drawHeading(painter, device, heading());
    // Each pixel a whole number of printer dots where one fits, never smoothed or compressed
    // with loss.
    const double fit = qMin(below.width() / image.width(), below.height() / image.height());
    const double scale = fit >= 1 ? std::floor(fit) : fit;
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRectF(below.topLeft().toPoint(), QSizeF(image.size()) * scale), image);
    return painter.end();
}

} // namespace dewscope
