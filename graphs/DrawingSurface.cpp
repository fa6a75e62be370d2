#include "graphs/DrawingSurface.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <cmath>

namespace dewscope {

namespace {

constexpr double ScreenPixelsPerPoint = 96.0 / 72.0; // 15 twips per pixel
constexpr double TwipsPerPoint = 20.0;

QPoint toUnits(double x, double y)
{
    return QPoint(int(std::floor(x + 0.5)), int(std::floor(y + 0.5)));
}

} // namespace

QColor DrawingSurface::paletteColor(int index)
{
    static const QRgb palette[16] = {
        qRgb(0, 0, 0),       qRgb(0, 0, 128),   qRgb(0, 128, 0),   qRgb(0, 128, 128),
        qRgb(128, 0, 0),     qRgb(128, 0, 128), qRgb(128, 128, 0), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(0, 0, 255),   qRgb(0, 255, 0),   qRgb(0, 255, 255),
        qRgb(255, 0, 0),     qRgb(255, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255),
    };
    return QColor(palette[index & 15]);
}

DrawingSurface::DrawingSurface(const QFont &font, const QColor &backColor)
    : m_font(font)
    , m_backColor(backColor)
    , m_pointSize(font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75)
{
    m_font.setPixelSize(qRound(m_pointSize * ScreenPixelsPerPoint));
}

DrawingSurface::~DrawingSurface()
{
    m_batchPainter.reset();
    if (m_pagePainter)
        endDocument();
}

void DrawingSurface::setImageSize(const QSize &size)
{
    endBatch();
    m_image = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    clear();
}

QRegion DrawingSurface::takeChanged()
{
    const QRegion changed = m_changed & m_image.rect();
    m_changed = QRegion();
    return changed;
}

void DrawingSurface::beginBatch()
{
    if (m_pagePainter || m_batchPainter || m_image.isNull())
        return;
    m_batchPainter = std::make_unique<QPainter>(&m_image);
    m_batchArea = QRect();
}

void DrawingSurface::endBatch()
{
    if (!m_batchPainter)
        return;
    m_batchPainter.reset();
    m_changed += m_batchArea;
}

bool DrawingSurface::beginDocument(QPagedPaintDevice *printer)
{
    m_pagePainter = std::make_unique<QPainter>();
    if (!m_pagePainter->begin(printer)) {
        m_pagePainter.reset();
        return false;
    }
    m_printer = printer;
    const double scale = printer->logicalDpiX() / 1440.0;
    m_pagePainter->scale(scale, scale);
    m_font.setPixelSize(qRound(m_pointSize * TwipsPerPoint));
    m_currentX = m_currentY = 0;
    return true;
}

bool DrawingSurface::newPage()
{
    m_currentX = m_currentY = 0;
    return m_printer && m_printer->newPage();
}

bool DrawingSurface::endDocument()
{
    if (!m_pagePainter)
        return false;
    const bool ok = m_pagePainter->end();
    m_pagePainter.reset();
    m_printer = nullptr;
    m_font.setPixelSize(qRound(m_pointSize * ScreenPixelsPerPoint));
    return ok;
}

void DrawingSurface::beginPainter(QPainter *painter, const QSizeF &size)
{
    m_outside = painter;
    m_outsideSize = size;
    m_currentX = m_currentY = 0;
}

double DrawingSurface::scaleWidth() const
{
    if (m_outside)
        return m_outsideSize.width();
    if (m_printer)
        return m_printer->pageLayout().paintRect(QPageLayout::Inch).width() * 1440.0;
    return m_image.width();
}

double DrawingSurface::scaleHeight() const
{
    if (m_outside)
        return m_outsideSize.height();
    if (m_printer)
        return m_printer->pageLayout().paintRect(QPageLayout::Inch).height() * 1440.0;
    return m_image.height();
}

template<typename Paint> void DrawingSurface::paint(const QRect &area, Paint paintWith)
{
    if (m_outside || m_pagePainter) {
        paintWith(m_outside ? m_outside : m_pagePainter.get());
        return;
    }
    if (m_batchPainter) {
        paintWith(m_batchPainter.get());
        m_batchArea |= area;
        return;
    }
    if (m_image.isNull())
        return;
    QPainter painter(&m_image);
    paintWith(&painter);
    m_changed += area;
}

void DrawingSurface::clear()
{
    m_currentX = m_currentY = 0;
    if (m_pagePainter || m_outside)
        return; // a page starts blank
    m_image.fill(m_backColor);
    m_changed = QRegion(m_image.rect());
}

void DrawingSurface::line(double x1, double y1, double x2, double y2)
{
    line(x1, y1, x2, y2, m_foreColor);
}

void DrawingSurface::line(double x1, double y1, double x2, double y2, const QColor &color)
{
    const QPoint from = toUnits(x1, y1);
    const QPoint to = toUnits(x2, y2);
    const int margin = m_drawWidth + 1;
    const QRect area = QRect(from, to).normalized().adjusted(-margin, -margin, margin, margin);
    paint(area, [&](QPainter *painter) { lineIn(painter, color, from, to); });
}

void DrawingSurface::lineIn(QPainter *painter, const QColor &color, const QPoint &from,
                            const QPoint &to)
{
    QPen pen(color, m_drawWidth);
    // Printer dots on a page, as pixels on screen; through another's painter, its units.
    pen.setCosmetic(m_pagePainter != nullptr);
    if (m_drawStyle == Style::Dotted) {
        // One pixel on, one off; flat caps keep the dots apart.
        pen.setCapStyle(Qt::FlatCap);
        pen.setDashPattern({ 1.0, 1.0 });
    } else {
        // Square caps include the end point of a one-pixel line.
        pen.setCapStyle(Qt::SquareCap);
    }
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(pen);
    if (from == to)
        painter->drawPoint(from);
    else
        painter->drawLine(from, to);
}

void DrawingSurface::fillBox(double x1, double y1, double x2, double y2, const QColor &color)
{
    const QPoint a = toUnits(x1, y1);
    const QPoint b = toUnits(x2, y2);
    const QRect box(QPoint(qMin(a.x(), b.x()), qMin(a.y(), b.y())),
                    QPoint(qMax(a.x(), b.x()), qMax(a.y(), b.y())));
    paint(box, [&](QPainter *painter) { painter->fillRect(box, color); });
}

void DrawingSurface::print(const QString &text)
{
    const QFontMetricsF metrics(m_font);
    const QPoint at = toUnits(m_currentX, m_currentY);
    const QRect area(at,
                     QSize(int(std::ceil(metrics.horizontalAdvance(text))) + 2,
                           int(std::ceil(metrics.height())) + 1));
    paint(area, [&](QPainter *painter) {
        painter->setFont(m_font);
        painter->setPen(m_foreColor);
        painter->drawText(QPointF(at.x(), at.y() + metrics.ascent()), text);
    });
    m_currentX = 0;
    m_currentY += metrics.height();
}

double DrawingSurface::textWidth(const QString &text) const
{
    return QFontMetricsF(m_font).horizontalAdvance(text);
}

double DrawingSurface::textHeight(const QString &text) const
{
    Q_UNUSED(text);
    return QFontMetricsF(m_font).height();
}

} // namespace dewscope
