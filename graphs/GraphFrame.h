#pragma once

#include <QColor>

namespace dewscope {

class DrawingSurface;

// What the real-time graph and the data plot draw alike around and across their plot area: the
// axes, the sixteenth ticks, the three scale columns (Celsius, humidity in blue, Fahrenheit),
// the legend and the horizontal grid, from the area's layout and the six scale bounds.
struct GraphFrame
{
    static const QColor CurveColors[4]; // temperature, humidity, wet bulb, dew point
    static constexpr int GridColor = 7; // palette index, light grey
    static constexpr int White = 15;

    float left = 0, bottom = 0, width = 0, height = 0;
    float maxC = 0, minC = 0, maxF = 0, minF = 0, maxRH = 0, minRH = 0;

    template<typename State> static GraphFrame of(const State &s)
    {
        return { s.left, s.bottom, s.width, s.height, s.maxC,
                 s.minC, s.maxF,   s.minF,  s.maxRH,  s.minRH };
    }

    // Axes two pixels wide, then the ticks and the scale labels; the fore colour ends black.
    void drawScales(DrawingSurface &surface) const;
    // "Cel", "RH%", "Fah" over the scale columns, "Dew" and "Wet" over the area.
    void drawLegend(DrawingSurface &surface) const;
    // The solid middle line, then the dotted eighths, in the grid colour.
    void drawGrid(DrawingSurface &surface) const;

private:
    void drawScaleLabel(DrawingSurface &surface, float value, double column, double y) const;
    void drawLegendText(DrawingSurface &surface, const char *text, double x,
                        const QColor &color) const;
};

} // namespace dewscope
