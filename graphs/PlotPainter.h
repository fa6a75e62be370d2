#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <functional>

namespace dewscope {

class DrawingSurface;
class RecordTableModel;
struct DataPlotState;

// Draws the data plot on a surface: the frame, then the records of the span as four curves with
// time marks, in slices so a window can let events run between them. The window and the command
// line both draw through it.
//
// Record by record, the grid is redrawn before each record's segments, so the grey grid lies over
// the segments of every record but the last. The painter gets the same pixels in one pass: the
// segments and time marks of records 1 .. N - 1 in record order (their overlaps, such as a later
// segment starting on an earlier time mark, fall as they would), then the grid once, then the
// last record's segments and mark. Nothing else draws on the grid's pixels.
class PlotPainter
{
public:
    enum class Progress { Running, Finished, Failed };

    PlotPainter(DrawingSurface *surface, DataPlotState *state);

    // What the plot window draws with: the platform's default window font, and its background.
    static QFont font();
    static QColor backColor();

    // Frame drawing at the surface's size: cleared, laid out anew, axes, ticks, scale columns and
    // legend; the curves start at the first record.
    void drawFrame();
    // Draws up to maxRecords further records of the span. Failed when a row of the span is not in
    // the table (or the table is gone) or a scale has no extent; nothing more is drawn then.
    Progress drawRecords(const RecordTableModel *table, int maxRecords);
    // The grid row of the last record drawn, 0 before the first.
    int currentRow() const;
    // Frame and every record at once.
    Progress drawAll(const RecordTableModel *table);
    // The mark under record k of the span: a dotted line with the record's time (asked of
    // `time` only then) or a short tick, or nothing.
    void drawTimeMark(int k, const std::function<QString()> &time);

    // A cell that holds no value ends its curve there and the curve goes on from the next
    // value (the report's drawing); by default it is drawn at its leading number, 0 for none,
    // as the plot window draws it.
    void setBreakAtMissingCells(bool on) { m_breakAtMissing = on; }
    // Neither a number nor "OL" or "-OL".
    static bool holdsNoValue(const QString &cell);

private:
    bool drawRecord(const RecordTableModel *table, int k);

    DrawingSurface *m_surface;
    DataPlotState *m_state;
    int m_next = 1; // the next record of the span, 1-based
    bool m_failed = false;
    bool m_breakAtMissing = false;
    bool m_missing[4] = {}; // by curve: the last record's cell held no value
};

} // namespace dewscope
