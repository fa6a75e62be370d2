#include "graphs/ScaleRangeCheck.h"

#include "graphs/LeadingNumber.h"

#include <cmath>

namespace dewscope {

const QString ScaleRangeCheck::CelsiusMessage = QStringLiteral("-20 <= Celsius <= 60, try again!");
const QString ScaleRangeCheck::FahrenheitMessage
    = QStringLiteral("-4 <= Fahrenheit <= 140, try again!");
const QString ScaleRangeCheck::HumidityMessage = QStringLiteral("0 <= RH% <= 100, try again!");

ScaleRangeCheck::Result ScaleRangeCheck::applyScales(bool celsius, const QString &max,
                                                     const QString &min, const QString &maxRH,
                                                     const QString &minRH, GraphScales *state,
                                                     const QLocale &locale)
{
    float top = 0;
    float bottom = 0;
    if (celsius) {
        if (!withinLimits(max, min, -20, 60))
            return { Outcome::Rejected, CelsiusMessage };
        if (!stored(locale, max, &top))
            return conversionFailed();
        state->maxC = top;
        if (!stored(locale, min, &bottom))
            return conversionFailed();
        state->minC = bottom;
        state->maxF = state->maxC * 9 / 5 + 32;
        state->minF = state->minC * 9 / 5 + 32;
    } else {
        if (!withinLimits(max, min, -4, 140))
            return { Outcome::Rejected, FahrenheitMessage };
        if (!stored(locale, max, &top))
            return conversionFailed();
        state->maxF = top;
        if (!stored(locale, min, &bottom))
            return conversionFailed();
        state->minF = bottom;
        state->maxC = roundToTenth((double(state->maxF) - 32) * 5 / 9);
        state->minC = roundToTenth((double(state->minF) - 32) * 5 / 9);
    }
    if (!withinLimits(maxRH, minRH, 0, 100))
        return { Outcome::Rejected, HumidityMessage };
    if (!stored(locale, maxRH, &top))
        return conversionFailed();
    state->maxRH = top;
    if (!stored(locale, minRH, &bottom))
        return conversionFailed();
    state->minRH = bottom;
    return {};
}

bool ScaleRangeCheck::withinLimits(const QString &max, const QString &min, double lower,
                                   double upper)
{
    const double top = leadingNumber(max);
    const double bottom = leadingNumber(min);
    return top > bottom && bottom >= lower && top <= upper;
}

bool ScaleRangeCheck::stored(const QLocale &locale, const QString &text, float *value)
{
    bool ok = false;
    const double number = locale.toDouble(text, &ok);
    if (ok)
        *value = float(number);
    return ok;
}

float ScaleRangeCheck::roundToTenth(double value)
{
    return float(std::nearbyint(value * 10.0) / 10.0);
}

} // namespace dewscope
