#include "graphs/RealTimeRangeCheck.h"

#include "graphs/LeadingNumber.h"
#include "graphs/RealTimeGraphState.h"

#include <cmath>

namespace dewscope {

const QString RealTimeRangeCheck::CelsiusMessage
    = QStringLiteral("-20 <= Celsius <= 60, try again!");
const QString RealTimeRangeCheck::FahrenheitMessage
    = QStringLiteral("-4 <= Fahrenheit <= 140, try again!");
const QString RealTimeRangeCheck::HumidityMessage = QStringLiteral("0 <= RH% <= 100, try again!");
const QString RealTimeRangeCheck::CountsMessage
    = QStringLiteral("10 <= Counts <= 864000, try again!");

namespace {

// A pair of boxes passes when max > min and both lie within the limits.
bool withinLimits(const QString &max, const QString &min, double lower, double upper)
{
    const double top = leadingNumber(max);
    const double bottom = leadingNumber(min);
    return top > bottom && bottom >= lower && top <= upper;
}

// One decimal place, halves to the even neighbour.
float roundToTenth(double value)
{
    return float(std::nearbyint(value * 10.0) / 10.0);
}

} // namespace

RealTimeRangeCheck::Result RealTimeRangeCheck::apply(const Input &input, RealTimeGraphState *state,
                                                     const QLocale &locale)
{
    const auto stored = [&locale](const QString &text, float *value) {
        bool ok = false;
        const double number = locale.toDouble(text, &ok);
        if (ok)
            *value = float(number);
        return ok;
    };
    const Result conversionFailed { Outcome::ConversionFailed, QString() };

    float max = 0;
    float min = 0;
    if (input.unit == Unit::Celsius) {
        if (!withinLimits(input.max, input.min, -20, 60))
            return { Outcome::Rejected, CelsiusMessage };
        if (!stored(input.max, &max))
            return conversionFailed;
        state->maxC = max;
        if (!stored(input.min, &min))
            return conversionFailed;
        state->minC = min;
        state->maxF = state->maxC * 9 / 5 + 32;
        state->minF = state->minC * 9 / 5 + 32;
    } else {
        if (!withinLimits(input.max, input.min, -4, 140))
            return { Outcome::Rejected, FahrenheitMessage };
        if (!stored(input.max, &max))
            return conversionFailed;
        state->maxF = max;
        if (!stored(input.min, &min))
            return conversionFailed;
        state->minF = min;
        state->maxC = roundToTenth((double(state->maxF) - 32) * 5 / 9);
        state->minC = roundToTenth((double(state->minF) - 32) * 5 / 9);
    }

    if (!withinLimits(input.maxRH, input.minRH, 0, 100))
        return { Outcome::Rejected, HumidityMessage };
    if (!stored(input.maxRH, &max))
        return conversionFailed;
    state->maxRH = max;
    if (!stored(input.minRH, &min))
        return conversionFailed;
    state->minRH = min;

    const double counts = leadingNumber(input.counts);
    if (counts > MaximumCounts || counts < MinimumCounts)
        return { Outcome::Rejected, CountsMessage };
    bool ok = false;
    const double storedCounts = locale.toDouble(input.counts, &ok);
    if (!ok || storedCounts == 0)
        return conversionFailed;
    state->step = float(state->width / storedCounts);
    return {};
}

} // namespace dewscope
