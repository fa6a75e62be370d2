#include "graphs/ScaleRangeCheck.h"

#include "graphs/LeadingNumber.h"

#include <cmath>
#include <utility>

namespace dewscope {

const QString ScaleRangeCheck::CelsiusMessage = QStringLiteral("-20 <= Celsius <= 60, try again!");
const QString ScaleRangeCheck::FahrenheitMessage
    = QStringLiteral("-4 <= Fahrenheit <= 140, try again!");
const QString ScaleRangeCheck::HumidityMessage = QStringLiteral("0 <= RH% <= 100, try again!");

namespace {

using Result = ScaleRangeCheck::Result;
using Outcome = ScaleRangeCheck::Outcome;

// A pair of boxes passes when max > min and both lie within the limits.
bool withinLimits(const QString &max, const QString &min, double lower, double upper)
{
    const double top = leadingNumber(max);
    const double bottom = leadingNumber(min);
    return top > bottom && bottom >= lower && top <= upper;
}

// The boxes' whole texts as numbers in the locale's form, stored one after the other: the top
// is kept when only the bottom is not a number.
bool stored(const QLocale &locale, const QString &max, const QString &min, float *top,
            float *bottom)
{
    bool ok = false;
    for (auto [text, value] : { std::pair(&max, top), std::pair(&min, bottom) }) {
        const double number = locale.toDouble(*text, &ok);
        if (!ok)
            return false;
        *value = float(number);
    }
    return true;
}

// One decimal place, halves to the even neighbour.
float roundToTenth(double value)
{
    return float(std::nearbyint(value * 10.0) / 10.0);
}

} // namespace

Result ScaleRangeCheck::applyScales(bool celsius, const QString &max, const QString &min,
                                    const QString &maxRH, const QString &minRH, GraphScales *state,
                                    const QLocale &locale)
{
    if (celsius) {
        if (!withinLimits(max, min, -20, 60))
            return { Outcome::Rejected, CelsiusMessage };
        if (!stored(locale, max, min, &state->maxC, &state->minC))
            return conversionFailed();
        state->maxF = state->maxC * 9 / 5 + 32;
        state->minF = state->minC * 9 / 5 + 32;
    } else {
        if (!withinLimits(max, min, -4, 140))
            return { Outcome::Rejected, FahrenheitMessage };
        if (!stored(locale, max, min, &state->maxF, &state->minF))
            return conversionFailed();
        state->maxC = roundToTenth((double(state->maxF) - 32) * 5 / 9);
        state->minC = roundToTenth((double(state->minF) - 32) * 5 / 9);
    }
    if (!withinLimits(maxRH, minRH, 0, 100))
        return { Outcome::Rejected, HumidityMessage };
    if (!stored(locale, maxRH, minRH, &state->maxRH, &state->minRH))
        return conversionFailed();
    return {};
}

} // namespace dewscope
