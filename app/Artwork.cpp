#include "app/Artwork.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace dewscope::artwork {

namespace {

constexpr int IconSize = 24; // logical pixels

using Drawing = std::function<void(QPainter &)>;

// Renders a drawing made on a 24 x 24 logical canvas at 1x and 2x.
QIcon iconFrom(const Drawing &draw, int logicalSize = IconSize)
{
    QIcon icon;
    for (const qreal ratio : { 1.0, 2.0 }) {
        QPixmap pixmap(int(logicalSize * ratio), int(logicalSize * ratio));
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(logicalSize / qreal(IconSize), logicalSize / qreal(IconSize));
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

const QColor ink(40, 52, 70);

void drawFloppy(QPainter &p)
{
    p.setPen(QPen(ink, 1.2));
    p.setBrush(QColor(46, 98, 170));
    QPainterPath body;
    body.moveTo(3.5, 3.5);
    body.lineTo(17.5, 3.5);
    body.lineTo(20.5, 6.5);
    body.lineTo(20.5, 20.5);
    body.lineTo(3.5, 20.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(225, 232, 240));
    p.drawRect(QRectF(7, 4.2, 9, 5.5)); // shutter
    p.setBrush(QColor(46, 98, 170));
    p.drawRect(QRectF(12.5, 5, 2, 4));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(6, 12.5, 12, 7), 1, 1); // label
    p.setPen(QPen(QColor(150, 160, 175), 0.8));
    p.drawLine(QPointF(7.5, 15), QPointF(16.5, 15));
    p.drawLine(QPointF(7.5, 17.2), QPointF(16.5, 17.2));
}

void drawFolder(QPainter &p)
{
    p.setPen(QPen(QColor(150, 110, 20), 1.2));
    p.setBrush(QColor(240, 196, 80));
    QPainterPath back;
    back.moveTo(2.5, 6);
    back.lineTo(9, 6);
    back.lineTo(11, 8);
    back.lineTo(20.5, 8);
    back.lineTo(20.5, 19.5);
    back.lineTo(2.5, 19.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(252, 218, 120));
    QPainterPath front;
    front.moveTo(2.5, 19.5);
    front.lineTo(5.5, 11);
    front.lineTo(22.5, 11);
    front.lineTo(20.5, 19.5);
    front.closeSubpath();
    p.drawPath(front);
}

void drawList(QPainter &p)
{
    p.setPen(QPen(ink, 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 2.5, 15, 19));
    p.setPen(QPen(QColor(46, 98, 170), 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 5; ++i) {
        const qreal y = 6.5 + i * 3.2;
        p.drawLine(QPointF(7, y), QPointF(9, y));
        p.drawLine(QPointF(10.5, y), QPointF(17, y));
    }
}

void drawGraph(QPainter &p)
{
    p.setPen(QPen(ink, 1.4));
    p.drawLine(QPointF(3.5, 3), QPointF(3.5, 20.5));
    p.drawLine(QPointF(3.5, 20.5), QPointF(21.5, 20.5));
    p.setPen(QPen(QColor(200, 30, 30), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF red[] = { { 5, 15 }, { 9, 9 }, { 13, 12 }, { 17, 6 }, { 21, 8 } };
    p.drawPolyline(red, 5);
    p.setPen(QPen(QColor(30, 70, 200), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF blue[] = { { 5, 18 }, { 9, 16 }, { 13, 17.5 }, { 17, 13 }, { 21, 14.5 } };
    p.drawPolyline(blue, 5);
}

void drawClock(QPainter &p)
{
    p.setPen(QPen(ink, 1.4));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(12, 12.5), 8.5, 8.5);
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(12, 12.5);
        p.rotate(i * 30);
        p.setPen(QPen(ink, i % 3 == 0 ? 1.4 : 0.8));
        p.drawLine(QPointF(0, -7.3), QPointF(0, -6));
        p.restore();
    }
    p.setPen(QPen(QColor(46, 98, 170), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 12.5), QPointF(12, 7));
    p.drawLine(QPointF(12, 12.5), QPointF(16, 14.5));
    p.setBrush(QColor(200, 30, 30));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(12, 12.5), 1.3, 1.3);
}

void drawStop(QPainter &p)
{
    p.setPen(QPen(QColor(120, 10, 10), 1.2));
    p.setBrush(QColor(215, 35, 35));
    p.drawRoundedRect(QRectF(4.5, 4.5, 15, 15), 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 9, 6, 6));
}

void drawUnits(QPainter &p)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setFamilies({ QStringLiteral("Arial"), QStringLiteral("Liberation Sans") });
    font.setBold(true);
    font.setPixelSize(10);
    p.setFont(font);
    p.setPen(QColor(30, 70, 200));
    p.drawText(QRectF(0, 1, 15, 12), Qt::AlignCenter, QStringLiteral("°C"));
    p.setPen(QColor(200, 30, 30));
    p.drawText(QRectF(9, 11, 15, 12), Qt::AlignCenter, QStringLiteral("°F"));
    p.setPen(QPen(ink, 1.2));
    p.drawLine(QPointF(7, 20), QPointF(17, 4));
}

void drawHelp(QPainter &p)
{
    p.setPen(QPen(QColor(20, 60, 130), 1.2));
    p.setBrush(QColor(46, 110, 200));
    p.drawEllipse(QPointF(12, 12), 9, 9);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setFamilies({ QStringLiteral("Arial"), QStringLiteral("Liberation Sans") });
    font.setBold(true);
    font.setPixelSize(14);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(3, 3, 18, 18), Qt::AlignCenter, QStringLiteral("?"));
}

// A mast sending waves to both sides.
void drawPublish(QPainter &p)
{
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(12, 11), QPointF(12, 21));
    p.drawLine(QPointF(8.5, 21), QPointF(15.5, 21));
    p.setPen(QPen(QColor(46, 110, 200), 1.6, Qt::SolidLine, Qt::RoundCap));
    for (const qreal r : { 4.0, 7.5 }) {
        const QRectF around(12 - r, 9 - r, 2 * r, 2 * r);
        p.drawArc(around, -40 * 16, 80 * 16);
        p.drawArc(around, 140 * 16, 80 * 16);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(215, 35, 35));
    p.drawEllipse(QPointF(12, 9), 2, 2);
}

// A bell, its clapper below and two strokes of its ringing.
void drawBell(QPainter &p)
{
    QPainterPath bell;
    bell.moveTo(5, 17.5);
    bell.cubicTo(7.5, 15, 6.5, 5, 12, 4.5);
    bell.cubicTo(17.5, 5, 16.5, 15, 19, 17.5);
    bell.closeSubpath();
    p.setPen(QPen(QColor(150, 95, 0), 1.2));
    p.setBrush(QColor(245, 180, 30));
    p.drawPath(bell);
    p.drawEllipse(QPointF(12, 19.5), 2, 2);
    p.drawEllipse(QPointF(12, 3.8), 1.2, 1.2);
    p.setPen(QPen(QColor(200, 30, 30), 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(1.5, 5, 6, 9), 120 * 16, 120 * 16);
    p.drawArc(QRectF(16.5, 5, 6, 9), -60 * 16, 120 * 16);
}

void drawApplication(QPainter &p)
{
    // Thermometer.
    p.setPen(QPen(ink, 1.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(4.5, 2, 5, 15), 2.5, 2.5);
    p.drawEllipse(QPointF(7, 18.5), 3.8, 3.8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(215, 35, 35));
    p.drawRect(QRectF(6, 8, 2, 9));
    p.drawEllipse(QPointF(7, 18.5), 2.6, 2.6);
    // Drop.
    QPainterPath drop;
    drop.moveTo(17, 5);
    drop.cubicTo(17, 5, 22, 12, 22, 15.5);
    drop.arcTo(QRectF(12, 10.5, 10, 10), 0, -180);
    drop.cubicTo(12, 12, 17, 5, 17, 5);
    p.setPen(QPen(QColor(20, 60, 130), 1.2));
    p.setBrush(QColor(70, 140, 220));
    p.drawPath(drop);
}

} // namespace

QIcon toolbarImage(int index)
{
    switch (index) {
    case 1:
    case 7:
        return iconFrom(drawFloppy);
    case 2:
        return iconFrom(drawFolder);
    case 3:
        return iconFrom(drawList);
    case 4:
        return iconFrom(drawGraph);
    case 5:
        return iconFrom(drawClock);
    case 6:
        return iconFrom(drawStop);
    case 9:
        return iconFrom(drawUnits);
    case 10:
        return iconFrom(drawHelp);
    case 11:
        return iconFrom(drawBell);
    case 12:
        return iconFrom(drawPublish);
    default:
        return {};
    }
}

QPixmap unitSign(bool celsius, const QFont &font, const QColor &color, qreal devicePixelRatio)
{
    const QString text = celsius ? QStringLiteral("°C") : QStringLiteral("°F");
    const QFontMetricsF metrics(font);
    const QSizeF size(metrics.horizontalAdvance(text) + 4, metrics.height());
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap pixmap((size * ratio).toSize());
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRectF(QPointF(0, 0), size), Qt::AlignCenter, text);
    return pixmap;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : { 16, 24, 32, 48, 64 })
        icon.addPixmap(iconFrom(drawApplication, size).pixmap(size, size));
    return icon;
}

namespace {

// A face by its names, the first one installed, with its metric-compatible stand-ins after it.
QFont face(const QStringList &families, QFont::StyleHint hint, int pointSize, bool bold)
{
    QFont font(families.first());
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace

QFont sansFont(int pointSize, bool bold)
{
    return face({ QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                  QStringLiteral("DejaVu Sans") },
                QFont::SansSerif, pointSize, bold);
}

QFont serifFont(int pointSize)
{
    return face({ QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                  QStringLiteral("DejaVu Serif") },
                QFont::Serif, pointSize, true);
}

} // namespace dewscope::artwork
