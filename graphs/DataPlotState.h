#pragma once

#include "graphs/GraphScales.h"

#include <QString>

namespace dewscope {

// The scales, span and layout of the data plot, shared by the plot window, its range dialog,
// the record-curve drawing and the command line. Coordinates are pixels of the window's client
// area, origin top-left, y downward. Records are counted from the first of the span: record k
// (1 .. count) is grid row from + k - 1.
struct DataPlotState : GraphScales
{
    // Window sizes in twips (15 per pixel on screen).
    static constexpr int TwipsPerPixel = 15;
    static constexpr int OpeningClientWidthTwips = 9885;
    static constexpr int OpeningClientHeightTwips = 7770;
    static constexpr int MinimumWidthTwips = 6000;
    static constexpr int MinimumHeightTwips = 5865;
    static constexpr int PlotLeft = 120;

    // The four curves in drawing order; temperatures plot against the Celsius scale.
    enum Curve { Temperature, Humidity, WetBulb, DewPoint, CurveCount };
    enum class TimeMark { None, Label, Tick };
    // The grid column each curve is read from: " Cel", "RH%", "WetC", "DewC".
    static constexpr int CurveColumns[CurveCount] = { 2, 5, 4, 3 };
    static constexpr int TimeColumn = 1;

    float total = 0; // data rows of the source table
    float from = 1, to = 0; // first and last grid row plotted
    float count = 0; // records in the span
    float left = PlotLeft; // plot area's left edge
    float bottom = 0; // plot area's bottom edge
    float height = 0; // plot area's height
    float width = 0; // plot area's width, a multiple of 30
    float step = 0; // distance between two consecutive records; 0 for an empty span
    float x = 0; // offset of the current record from the left edge
    float prevX = 0; // absolute x of the previous record's points; 0 when there are none
    float prevY[CurveCount] = {}; // absolute y of each curve's previous point

    // The whole table as the span.
    void spanWholeTable(int dataRows);
    // Lays the plot area out for a client area of that many pixels; the curves start anew.
    void layOut(int scaleWidth, int scaleHeight);
    int recordCount() const { return int(count); }
    int firstRow() const { return int(from); }
    // x of record k of the span.
    float recordX(int k) const { return left + float(k - 1) * step; }
    // The mark under record k: a label at the first record and at each fifth of the span, a
    // short tick at the other tenths.
    TimeMark timeMark(int k) const;
    static TimeMark timeMark(int k, int count);
    // Height above the bottom edge of a cell on the curve's scale: "OL" and values above the top
    // 5 pixels over the area, "-OL" and values below the bottom 3 pixels under it, any other
    // text by its leading number (0 when there is none). False when the scale has no extent.
    bool curveHeight(Curve curve, const QString &text, double *height) const;

    static int twipsToPixels(int twips) { return twips / TwipsPerPixel; }
};

} // namespace dewscope
