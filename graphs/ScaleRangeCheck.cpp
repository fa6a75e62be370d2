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
    const double top = readBox(max).leading;
    const double bottom = readBox(min).leading;
    return top > bottom && bottom >= lower && top <= upper;
}

// The numbers the check read, stored one after the other when each box holds its number and
// nothing else: the top is kept when only the bottom is not a number.
bool stored(const QString &max, const QString &min, float *top, float *bottom)
{
    for (auto [text, value] : { std::pair(&max, top), std::pair(&min, bottom) }) {
        const BoxNumber number = readBox(*text);
        if (!number.whole)
            return false;
        *value = float(number.leading);
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
                                    const QString &maxRH, const QString &minRH, GraphScales *state)
{
    if (celsius) {
        if (!withinLimits(max, min, -20, 60))
            return { Outcome::Rejected, CelsiusMessage };
        if (!stored(max, min, &state->maxC, &state->minC))
            return conversionFailed();
        state->maxF = state->maxC * 9 / 5 + 32;
        state->minF = state->minC * 9 / 5 + 32;
    } else {
        if (!withinLimits(max, min, -4, 140))
            return { Outcome::Rejected, FahrenheitMessage };
        if (!stored(max, min, &state->maxF, &state->minF))
            return conversionFailed();
        state->maxC = roundToTenth((double(state->maxF) - 32) * 5 / 9);
        state->minC = roundToTenth((double(state->minF) - 32) * 5 / 9);
    }
    if (!withinLimits(maxRH, minRH, 0, 100))
        return { Outcome::Rejected, HumidityMessage };
    if (!stored(maxRH, minRH, &state->maxRH, &state->minRH))
        return conversionFailed();
    return {};
}

} // namespace dewscope
