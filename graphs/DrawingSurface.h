#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>

#include <memory>

class QPagedPaintDevice;
class QPainter;

namespace dewscope {

// Where the graphs and printouts draw: a persistent image of a window's client area in pixels,
// or the pages of a printer or PDF writer in twips (20 per point), or a part of a page that
// another painter paints, in a window's pixels scaled by that painter. Lines and boxes are drawn
// without antialiasing, so every pixel has its exact colour; text may be smoothed. Coordinates
// are rounded to whole units, halves upward; a filled box covers both of its corners, whichever
// is given first.
class DrawingSurface
{
public:
    enum class Style { Solid = 0, Dotted = 2 };

    // An entry of the 16-colour palette: 7 is light grey (192,192,192), 15 white.
    static QColor paletteColor(int index);

    // font: its point size is what Print draws (pixels at 15 twips each on screen).
    explicit DrawingSurface(const QFont &font, const QColor &backColor = Qt::white);
    ~DrawingSurface();
    DrawingSurface(const DrawingSurface &) = delete;
    DrawingSurface &operator=(const DrawingSurface &) = delete;

    // A window surface: a new image of that many pixels, cleared.
    void setImageSize(const QSize &size);
    const QImage &image() const { return m_image; }
    // The parts of the image changed since the last call, and forgets them.
    QRegion takeChanged();

    // Many primitives on the image through one painter, until endBatch(): the same pixels as
    // drawn one by one, at a fraction of the cost.
    void beginBatch();
    void endBatch();

    // A printer surface: starts the document; drawing then goes to its pages in twips.
    bool beginDocument(QPagedPaintDevice *printer);
    bool newPage();
    // Ends the document (it goes to the printer); false when the printer failed.
    bool endDocument();

    // A part of a page that someone else paints (a report): drawing goes through that painter
    // in its current transform, on an area of the given size; text keeps the window's sizes.
    void beginPainter(QPainter *painter, const QSizeF &size);
    void endPainter() { m_outside = nullptr; }

    double scaleWidth() const;
    double scaleHeight() const;

    void clear();
    void line(double x1, double y1, double x2, double y2);
    void line(double x1, double y1, double x2, double y2, const QColor &color);
    void fillBox(double x1, double y1, double x2, double y2, const QColor &color);

    void setDrawWidth(int pixels) { m_drawWidth = pixels; }
    void setDrawStyle(Style style) { m_drawStyle = style; }
    void setForeColor(const QColor &color) { m_foreColor = color; }
    QColor foreColor() const { return m_foreColor; }
    double currentX() const { return m_currentX; }
    double currentY() const { return m_currentY; }
    void setCurrentX(double x) { m_currentX = x; }
    void setCurrentY(double y) { m_currentY = y; }

    // Draws the text at the text position in the fore colour; the position moves to the start
    // of the next line.
    void print(const QString &text);
    double textWidth(const QString &text) const;
    double textHeight(const QString &text = QString()) const;

private:
    template<typename Paint> void paint(const QRect &area, Paint paintWith);
    void lineIn(QPainter *painter, const QColor &color, const QPoint &from, const QPoint &to);

    QFont m_font; // pixel size in scale units
    QColor m_backColor;
    QImage m_image;
    QRegion m_changed;
    QPagedPaintDevice *m_printer = nullptr;
    std::unique_ptr<QPainter> m_pagePainter;
    std::unique_ptr<QPainter> m_batchPainter;
    QPainter *m_outside = nullptr;
    QSizeF m_outsideSize;
    QRect m_batchArea;
    double m_pointSize;
    int m_drawWidth = 1;
    Style m_drawStyle = Style::Solid;
    QColor m_foreColor = Qt::black;
    double m_currentX = 0;
    double m_currentY = 0;
};

} // namespace dewscope
