#include "graphs/GraphFrame.h"

#include "graphs/DrawingSurface.h"
#include "graphs/ScaleLabel.h"

namespace dewscope {

namespace {

const QColor Black(0, 0, 0);
const QColor Blue(0, 0, 255);
const QColor Green(0, 255, 0);
const QColor Red(255, 0, 0);

} // namespace

const QColor GraphFrame::CurveColors[4] = { Black, Blue, Green, Red };

void GraphFrame::drawScales(DrawingSurface &s) const
{
    s.setDrawWidth(2);
    s.setForeColor(Black);
    s.line(left - 2, bottom + 5, left - 2, bottom - height - 5);
    s.line(left - 2, bottom + 6, left + width + 2, bottom + 6);

    // Ticks: sixteenths, the even ones longer.
    s.setDrawWidth(1);
    for (int i = 0; i <= 16; ++i) {
        const double y = bottom - i * height / 16;
        s.line(left - 2, y, left - 7, y);
        if (i % 2 == 0)
            s.line(left - 2, y, left - 10, y);
    }

    for (int i = 0; i <= 8; ++i) {
        const double y = bottom - i * height / 8;
        drawScaleLabel(s, minC + (maxC - minC) * i / 8, left - 32, y);
        s.setForeColor(Blue);
        drawScaleLabel(s, minRH + (maxRH - minRH) * i / 8, left - 72, y);
        s.setForeColor(Black);
        drawScaleLabel(s, minF + (maxF - minF) * i / 8, left - 112, y);
    }
}

void GraphFrame::drawScaleLabel(DrawingSurface &s, float value, double column, double y) const
{
    const QString label = formatScaleLabel(value);
    s.setCurrentX(column - s.textWidth(label) / 4);
    s.setCurrentY(y - s.textHeight(label) / 2);
    s.print(label);
}

void GraphFrame::drawLegend(DrawingSurface &s) const
{
    drawLegendText(s, "Cel", left - 30, Black);
    drawLegendText(s, "RH%", left - 70, Blue);
    drawLegendText(s, "Fah", left - 110, Black);
    drawLegendText(s, "Dew", left + 30, Red);
    drawLegendText(s, "Wet", left + 90, Green);
}

void GraphFrame::drawLegendText(DrawingSurface &s, const char *text, double x,
                                const QColor &color) const
{
    s.setCurrentX(x);
    s.setCurrentY(bottom - height - 25);
    s.setForeColor(color);
    s.print(QString::fromLatin1(text));
}

void GraphFrame::drawGrid(DrawingSurface &s) const
{
    const QColor grid = DrawingSurface::paletteColor(GridColor);
    s.line(left - 2, bottom - height / 2, left + width + 2, bottom - height / 2, grid);
    s.setDrawStyle(DrawingSurface::Style::Dotted);
    for (int k : { 1, 7, 6, 5, 8, 3, 2 }) {
        const double y = bottom - k * height / 8;
        s.line(left, y, left + width, y, grid);
    }
    s.setDrawStyle(DrawingSurface::Style::Solid);
}

} // namespace dewscope
