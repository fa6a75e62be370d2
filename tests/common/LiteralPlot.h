#pragma once

#include "graphs/DataPlotState.h"
#include "graphs/DrawingSurface.h"
#include "tables/RecordTableModel.h"

#include <QCoreApplication>

namespace dewscope::test {

// The curves drawn record by record from the plot's own numbers, none taken from the program:
// the area 120 from the left, its bottom 27 and its top 100 - 27 from the client's edges, its
// width the rest reduced to a multiple of 30; record k of the span at 120 + (k - 1) x width /
// count (single precision); columns 2, 5, 4, 3 in black, blue, green and red; "OL" and values
// over the top 5 over the area, "-OL" and values under the bottom 3 under it; per record the
// grid (solid middle, dotted eighths 1 7 6 5 8 3 2), the segments, then a label at the first
// record and the fifths, or a short tick at the other tenths. Only the scales and the span are
// read from p; the cells hold numbers, "OL", "-OL" or nothing.
inline bool drawLiterally(DrawingSurface &s, const DataPlotState &p, const RecordTableModel &table)
{
    const int columns[] = { 2, 5, 4, 3 }; // humidity second, on its own scale
    const QColor colors[]
        = { QColor(0, 0, 0), QColor(0, 0, 255), QColor(0, 255, 0), QColor(255, 0, 0) };
    const QColor grid(192, 192, 192);
    const float left = 120, bottom = float(s.scaleHeight() - 27);
    const float height = float(s.scaleHeight() - 100);
    const int d = int(s.scaleWidth()) - 120;
    const float width = float(d - d % 30);
    const int from = int(p.from), to = int(p.to), n = int(p.count);
    const float step = width / float(n);
    float prevX = 0, prevY[4] = {};
    for (int r = from; r <= to; ++r) {
        QCoreApplication::processEvents();
        if (r >= table.rows())
            return false;
        const int k = r - from + 1;
        const float plotX = float(r - from) * step;
        const float x = left + plotX;
        s.line(left - 2, bottom - height / 2, left + width + 2, bottom - height / 2, grid);
        s.setDrawStyle(DrawingSurface::Style::Dotted);
        for (int j : { 1, 7, 6, 5, 8, 3, 2 })
            s.line(left, bottom - j * height / 8, left + width, bottom - j * height / 8, grid);
        s.setDrawStyle(DrawingSurface::Style::Solid);
        for (int c = 0; c < 4; ++c) {
            const float top = c == 1 ? p.maxRH : p.maxC, floor = c == 1 ? p.minRH : p.minC;
            if (top == floor)
                return false;
            const QString t = table.cellText(r, columns[c]);
            const double v = t.toDouble();
            double h = (v - floor) / (double(top) - floor) * height;
            if (float(v) > top || t == "OL")
                h = height + 5.0;
            else if (float(v) < floor || t == "-OL")
                h = -3;
            if (prevX != 0 && plotX != 0)
                s.line(prevX, prevY[c], x, bottom - h, colors[c]);
            prevY[c] = float(bottom - h);
        }
        prevX = x;
        const auto part = [n](int j, int parts) { return j * n / parts; };
        bool label = k == 1, tick = false;
        for (int j = 1; j <= 10; ++j) {
            label = label || (j <= 5 && k == part(j, 5));
            tick = tick || k == part(j, 10);
        }
        if (label) {
            s.setDrawStyle(DrawingSurface::Style::Dotted);
            s.line(x, bottom, x, bottom - height - 10, grid);
            s.setDrawStyle(DrawingSurface::Style::Solid);
            const QString time = table.cellText(r, 1);
            s.setCurrentX(x - s.textWidth(time) / 2 - (r == from ? 10 : 0) - (r == to ? 10 : 0));
            s.setCurrentY(bottom + 10);
            s.setForeColor(Qt::black);
            s.print(time);
        } else if (tick) {
            s.line(x, bottom - 3.8 * height / 8, x, bottom - 4.2 * height / 8, grid);
        }
    }
    return true;
}

} // namespace dewscope::test
