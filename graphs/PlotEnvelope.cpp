#include "graphs/PlotEnvelope.h"

#include "graphs/DrawingSurface.h"
#include "graphs/GraphFrame.h"
#include "graphs/PlotPainter.h"

#include <QtGlobal>

namespace dewscope {

PlotEnvelope::PlotEnvelope(const DataPlotState &state)
    : m_state(state)
    , m_columns(qMax(1, int(state.width)))
{
}

bool PlotEnvelope::addRecord(QStringView rowText)
{
    const int k = m_next++;
    if (k > m_state.recordCount())
        return true; // rows beyond the span are not drawn
    QStringView cells[DataPlotState::CurveCount + 4];
    qsizetype from = 0;
    for (QStringView &cell : cells) {
        const qsizetype tab = rowText.indexOf(QLatin1Char('\t'), from);
        cell = rowText.mid(from, (tab < 0 ? rowText.size() : tab) - from);
        if (tab < 0)
            break;
        from = tab + 1;
    }
    if (DataPlotState::timeMark(k, m_state.recordCount()) == DataPlotState::TimeMark::Label)
        m_labels.insert(k, cells[DataPlotState::TimeColumn].toString());
    // The column the record's x falls in.
    const int at = qBound(0, int((m_state.recordX(k) - m_state.left)), int(m_columns.size()) - 1);
    Column &column = m_columns[at];
    for (int c = 0; c < DataPlotState::CurveCount; ++c) {
        double h = 0;
        const QString text = cells[DataPlotState::CurveColumns[c]].toString();
        if (!m_state.curveHeight(DataPlotState::Curve(c), text, &h))
            return false;
        if (PlotPainter::holdsNoValue(text)) {
            m_broken[c] = true;
            continue;
        }
        const float height = float(h);
        if (!column.has[c]) {
            column.first[c] = column.low[c] = column.high[c] = height;
            column.has[c] = true;
            column.joined[c] = !m_broken[c];
        } else {
            column.low[c] = qMin(column.low[c], height);
            column.high[c] = qMax(column.high[c], height);
        }
        column.last[c] = height;
        m_broken[c] = false;
    }
    column.used = true;
    return true;
}

void PlotEnvelope::drawColumn(DrawingSurface &surface, int at) const
{
    const Column &column = m_columns.at(at);
    if (!column.used)
        return;
    const double x = m_state.left + at, bottom = m_state.bottom;
    for (int c = 0; c < DataPlotState::CurveCount; ++c) {
        if (!column.has[c])
            continue;
        // The column before with a value, joined from its last to this one's first.
        int before = at - 1;
        while (before >= 0 && !m_columns.at(before).has[c])
            --before;
        const QColor color = GraphFrame::CurveColors[c];
        if (before >= 0 && column.joined[c])
            surface.line(m_state.left + before, bottom - m_columns.at(before).last[c], x,
                         bottom - column.first[c], color);
        surface.line(x, bottom - column.low[c], x, bottom - column.high[c], color);
    }
}

void PlotEnvelope::draw(DrawingSurface &surface, PlotPainter &painter) const
{
    int last = int(m_columns.size()) - 1;
    while (last > 0 && !m_columns.at(last).used)
        --last;
    surface.beginBatch();
    for (int at = 0; at < last; ++at)
        drawColumn(surface, at);
    // The grid goes over everything but the last column, as over all but the last record.
    GraphFrame::of(m_state).drawGrid(surface);
    drawColumn(surface, last);
    for (int k = 1; k <= m_state.recordCount() && k < m_next; ++k) {
        if (DataPlotState::timeMark(k, m_state.recordCount()) != DataPlotState::TimeMark::None)
            painter.drawTimeMark(k, [&] { return m_labels.value(k); });
    }
    surface.endBatch();
}

} // namespace dewscope
