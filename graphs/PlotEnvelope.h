#pragma once

#include "graphs/DataPlotState.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringView>

namespace dewscope {

class DrawingSurface;
class PlotPainter;

// The data plot of a span with more records than the plot area has pixel columns. Each column
// shows, for each curve, the lowest and the highest point of the records that fall on it, joined
// to its neighbours, so no spike is lost however many rows there are. A cell without a value
// breaks its curve: nothing is drawn for it, and no line joins across it. It keeps a few numbers per
// column and the time labels' texts, never the rows: records are given one by one, in order.
class PlotEnvelope
{
public:
    // For a state laid out for its surface, with its span set.
    explicit PlotEnvelope(const DataPlotState &state);

    // The next record of the span: its cells joined by TAB. False when a scale has no extent.
    bool addRecord(QStringView rowText);
    // The curves, the grid (over all but the last column) and the time marks, after the
    // painter's frame.
    void draw(DrawingSurface &surface, PlotPainter &painter) const;

private:
    struct Column
    {
        bool used = false;
        // Heights above the bottom edge, per curve: the column's first and last records, and
        // its lowest and highest.
        float first[DataPlotState::CurveCount] = {}, last[DataPlotState::CurveCount] = {};
        float low[DataPlotState::CurveCount] = {}, high[DataPlotState::CurveCount] = {};
        // The curve has a value here; and is joined to its value before (no missing cell
        // between them).
        bool has[DataPlotState::CurveCount] = {}, joined[DataPlotState::CurveCount] = {};
    };

    void drawColumn(DrawingSurface &surface, int column) const;

    DataPlotState m_state;
    QList<Column> m_columns;
    QMap<int, QString> m_labels; // record → its time, for the labelled records
    int m_next = 1; // the next record, 1-based
    bool m_broken[DataPlotState::CurveCount] = {}; // a missing cell since the curve's last value
};

} // namespace dewscope
