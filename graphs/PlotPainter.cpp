#include "graphs/PlotPainter.h"

#include "graphs/DataPlotState.h"
#include "graphs/DrawingSurface.h"
#include "graphs/GraphFrame.h"
#include "tables/RecordTableModel.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPalette>

#include <algorithm>
#include <iterator>

namespace dewscope {

bool PlotPainter::holdsNoValue(const QString &cell)
{
    const QString text = cell.trimmed();
    bool number = false;
    QLocale::c().toDouble(text, &number);
    return !number && text != QLatin1String("OL") && text != QLatin1String("-OL");
}

PlotPainter::PlotPainter(DrawingSurface *surface, DataPlotState *state)
    : m_surface(surface)
    , m_state(state)
{
}

QFont PlotPainter::font()
{
    return QGuiApplication::font();
}

QColor PlotPainter::backColor()
{
    return QGuiApplication::palette().color(QPalette::Window);
}

void PlotPainter::drawFrame()
{
    DrawingSurface &s = *m_surface;
    s.clear();
    m_state->layOut(int(s.scaleWidth()), int(s.scaleHeight()));
    const GraphFrame frame = GraphFrame::of(*m_state);
    frame.drawScales(s);
    frame.drawLegend(s);
    m_next = 1;
    m_failed = false;
    std::fill(std::begin(m_missing), std::end(m_missing), false);
}

int PlotPainter::currentRow() const
{
    return m_next > 1 ? m_state->firstRow() + m_next - 2 : 0;
}

PlotPainter::Progress PlotPainter::drawRecords(const RecordTableModel *table, int maxRecords)
{
    const int count = m_state->recordCount();
    if (m_failed)
        return Progress::Failed;
    m_surface->beginBatch();
    for (int done = 0; done < maxRecords && m_next <= count; ++done, ++m_next) {
        // The grid goes over everything drawn so far, under the last record.
        if (m_next == count)
            GraphFrame::of(*m_state).drawGrid(*m_surface);
        if (!drawRecord(table, m_next)) {
            m_failed = true;
            break;
        }
    }
    m_surface->endBatch();
    if (m_failed)
        return Progress::Failed;
    return m_next > count ? Progress::Finished : Progress::Running;
}

PlotPainter::Progress PlotPainter::drawAll(const RecordTableModel *table)
{
    drawFrame();
    return drawRecords(table, m_state->recordCount());
}

bool PlotPainter::drawRecord(const RecordTableModel *table, int k)
{
    DataPlotState &p = *m_state;
    DrawingSurface &s = *m_surface;
    const int row = p.firstRow() + k - 1;
    if (!table || row < 1 || row >= table->rows())
        return false;
    const double x = p.recordX(k);
    p.x = float(k - 1) * p.step;
    static_assert(DataPlotState::CurveCount == 4, "one missing flag per curve");
    for (int c = 0; c < DataPlotState::CurveCount; ++c) {
        double h = 0;
        const auto curve = DataPlotState::Curve(c);
        const QString cell = table->cellText(row, DataPlotState::CurveColumns[c]);
        if (!p.curveHeight(curve, cell, &h))
            return false;
        const bool missing = m_breakAtMissing && holdsNoValue(cell);
        if (p.prevX != 0 && p.x != 0 && !missing && !m_missing[c])
            s.line(p.prevX, p.prevY[c], x, p.bottom - h, GraphFrame::CurveColors[c]);
        m_missing[c] = missing;
        p.prevY[c] = float(p.bottom - h);
    }
    p.prevX = float(x);

    drawTimeMark(k, [&] { return table->cellText(row, DataPlotState::TimeColumn); });
    return true;
}

void PlotPainter::drawTimeMark(int k, const std::function<QString()> &time)
{
    DataPlotState &p = *m_state;
    DrawingSurface &s = *m_surface;
    const double x = p.recordX(k);
    const int row = p.firstRow() + k - 1;
    const QColor grid = DrawingSurface::paletteColor(GraphFrame::GridColor);
    switch (p.timeMark(k)) {
    case DataPlotState::TimeMark::Label: {
        s.setDrawStyle(DrawingSurface::Style::Dotted);
        s.line(x, p.bottom, x, p.bottom - p.height - 10, grid);
        s.setDrawStyle(DrawingSurface::Style::Solid);
        const QString label = time();
        double left = x - s.textWidth(label) / 2;
        if (row == p.firstRow())
            left -= 10;
        if (row == int(p.to))
            left -= 10;
        s.setCurrentX(left);
        s.setCurrentY(p.bottom + 10);
        s.setForeColor(Qt::black);
        s.print(label);
        break;
    }
    case DataPlotState::TimeMark::Tick:
        s.line(x, p.bottom - 3.8 * p.height / 8, x, p.bottom - 4.2 * p.height / 8, grid);
        break;
    case DataPlotState::TimeMark::None:
        break;
    }
}

} // namespace dewscope
