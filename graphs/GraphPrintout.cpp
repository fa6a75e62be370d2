#include "graphs/GraphPrintout.h"

#include "graphs/DataPlotState.h"
#include "graphs/DrawingSurface.h"
#include "graphs/PlotPainter.h"

namespace dewscope {

namespace {

// The heading at the page's top-left; returns the area under it, half a line further down.
QRectF drawHeading(DrawingSurface &page, const QString &heading)
{
    page.setCurrentX(0);
    page.setCurrentY(0);
    page.print(heading);
    const double top = page.textHeight(heading) * 1.5;
    return QRectF(0, top, page.scaleWidth(), page.scaleHeight() - top);
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
    DrawingSurface page(PlotPainter::font());
    if (clientSize.isEmpty() || !page.beginDocument(device))
        return false;
    const QRectF below = drawHeading(page, heading());
    const double scale
        = qMin(below.width() / clientSize.width(), below.height() / clientSize.height());
    page.setPictureArea(QRectF(below.topLeft(), QSizeF(clientSize) * scale), clientSize);
    DataPlotState copy = state;
    const bool drawn = PlotPainter(&page, &copy).drawAll(table) == PlotPainter::Progress::Finished;
    return page.endDocument() && drawn;
}

bool GraphPrintout::printImage(QPagedPaintDevice *device, const QImage &image) const
{
    DrawingSurface page(PlotPainter::font());
    if (image.isNull() || !page.beginDocument(device))
        return false;
    page.drawImage(image, drawHeading(page, heading()));
    return page.endDocument();
}

} // namespace dewscope
