#include "graphs/RealTimeGraphState.h"

#include "graphs/LeadingNumber.h"
#include "meter/DisplayFormat.h"
#include "meter/Reading.h"

#include <cmath>

namespace dewscope {

void RealTimeGraphState::resetScales()
{
    GraphScales::resetScales();
    step = 1;
}

void RealTimeGraphState::layOut(int scaleWidth, int scaleHeight)
{
    left = PlotLeft;
    bottom = float(scaleHeight - 27);
    const int d = scaleWidth - PlotLeft;
    width = float(d - d % 30);
    height = float(scaleHeight - 100);
    restartSweep();
}

void RealTimeGraphState::restartSweep()
{
    prevX = 0;
    x = -step;
}

void RealTimeGraphState::advance()
{
    x += step;
    if (x >= width)
        x = 0;
}

RealTimeGraphState::TimeMark RealTimeGraphState::timeMark() const
{
    // Halves go to the even neighbour.
    const double n = std::nearbyint(double(x));
    if (std::fmod(n, TimeLabelSpacing) == 0)
        return TimeMark::Label;
    if (std::fmod(n, HalfTickSpacing) == 0)
        return TimeMark::HalfTick;
    return TimeMark::None;
}

QString RealTimeGraphState::curveText(const Reading &reading, Curve curve)
{
    switch (curve) {
    case Temperature:
        return formatReading(reading.tempC);
    case Humidity:
        return formatReading(reading.rh);
    case WetBulb:
        return formatReading(reading.wetC);
    default:
        return formatReading(reading.dewC);
    }
}

float RealTimeGraphState::curveHeight(Curve curve, const QString &text) const
{
    const float top = curve == Humidity ? maxRH : maxC;
    const float floor = curve == Humidity ? minRH : minC;
    const float v = float(leadingNumber(text));
    if (text == QLatin1String("OL") || v > top)
        return height + 5;
    if (text == QLatin1String("-OL") || v < floor)
        return -3;
    return (v - floor) / (top - floor) * height;
}

} // namespace dewscope
