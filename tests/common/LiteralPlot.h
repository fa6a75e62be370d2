#pragma once

#include "graphs/DataPlotState.h"
#include "graphs/DrawingSurface.h"
#include "graphs/GraphFrame.h"
#include "tables/RecordTableModel.h"

#include <QCoreApplication>

namespace dewscope::test {

// The curves as drawn record by record: the grid, the record's segments, its time mark, and the
// event loop let through, for every record.
inline bool drawLiterally(DrawingSurface &s, DataPlotState &p, const RecordTableModel &table)
{
    const QColor grid = DrawingSurface::paletteColor(7);
    for (int r = p.firstRow(); r <= int(p.to); ++r) {
        QCoreApplication::processEvents();
        const int k = r - p.firstRow() + 1;
        p.x = p.x + p.step;
        const double x = p.recordX(k);
        GraphFrame::of(p).drawGrid(s);
        for (int c = 0; c < DataPlotState::CurveCount; ++c) {
            double h = 0;
            if (!p.curveHeight(DataPlotState::Curve(c),
                               table.cellText(r, DataPlotState::CurveColumns[c]), &h))
                return false;
            if (p.prevX != 0 && p.x != 0)
                s.line(p.prevX, p.prevY[c], x, p.bottom - h, GraphFrame::CurveColors[c]);
            p.prevY[c] = float(p.bottom - h);
        }
        p.prevX = float(x);
        if (p.timeMark(k) == DataPlotState::TimeMark::Label) {
            s.setDrawStyle(DrawingSurface::Style::Dotted);
            s.line(x, p.bottom, x, p.bottom - p.height - 10, grid);
            s.setDrawStyle(DrawingSurface::Style::Solid);
            const QString time = table.cellText(r, 1);
            s.setCurrentX(x - s.textWidth(time) / 2 - (r == p.firstRow() ? 10 : 0)
                          - (r == int(p.to) ? 10 : 0));
            s.setCurrentY(p.bottom + 10);
            s.setForeColor(Qt::black);
            s.print(time);
        } else if (p.timeMark(k) == DataPlotState::TimeMark::Tick) {
            s.line(x, p.bottom - 3.8 * p.height / 8, x, p.bottom - 4.2 * p.height / 8, grid);
        }
    }
    return true;
}

} // namespace dewscope::test
