#pragma once

#include "graphs/GraphScales.h"

#include <QString>

namespace dewscope {

struct Reading;

// The scales, layout and sweep cursor of the real-time graph, shared by the graph window and its
// range dialog. Coordinates are pixels of the window's client area, origin top-left, y downward.
// The arithmetic of the frame and of one sweep step lives here; the window only draws.
struct RealTimeGraphState : GraphScales
{
    // Window sizes in twips (15 per pixel on screen).
    static constexpr int TwipsPerPixel = 15;
    static constexpr int OpeningClientWidthTwips = 9885;
    static constexpr int OpeningClientHeightTwips = 7770;
    static constexpr int MinimumWidthTwips = 5355;
    static constexpr int MinimumHeightTwips = 5865;
    static constexpr int PlotLeft = 120;
    // Cursor travel between two time labels, and to the half-way tick between them.
    static constexpr int TimeLabelSpacing = 60;
    static constexpr int HalfTickSpacing = 30;

    // The four curves in drawing order; temperatures plot against the Celsius scale.
    enum Curve { Temperature, Humidity, WetBulb, DewPoint, CurveCount };
    enum class TimeMark { None, Label, HalfTick };

    float step = 1; // cursor advance per tick
    float left = PlotLeft; // plot area's left edge
    float bottom = 0; // plot area's bottom edge
    float height = 0; // plot area's height
    float width = 0; // plot area's width, a multiple of 30
    float x = -1; // cursor: offset of this tick's points from the left edge
    float prevX = 0; // absolute x of the previous tick's points; 0 when there are none
    float prevY[CurveCount] = {}; // absolute y of each curve's previous point

    // The scales and step every opening of the graph starts from.
    void resetScales();
    // Lays the plot area out for a client area of that many pixels and restarts the sweep.
    void layOut(int scaleWidth, int scaleHeight);
    // The next tick starts a new sweep at the left edge with no segment.
    void restartSweep();
    // Moves the cursor one step, back to 0 when it reaches the width.
    void advance();
    // True when this tick draws segments: there are previous points and the cursor did not wrap.
    bool drawsSegment() const { return prevX != 0 && x != 0; }
    // The time axis mark at the cursor: a label every 60 units, a short tick half-way.
    TimeMark timeMark() const;

    // The display text of a curve's value in the reading.
    static QString curveText(const Reading &reading, Curve curve);
    // Height above the bottom edge of a display text on the curve's scale: "OL" and values
    // above the top just over the area, "-OL" and values below the bottom just under it.
    float curveHeight(Curve curve, const QString &text) const;

    static int twipsToPixels(int twips) { return twips / TwipsPerPixel; }
};

} // namespace dewscope
