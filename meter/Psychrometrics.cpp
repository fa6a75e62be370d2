#include "meter/Psychrometrics.h"

#include "meter/WetBulb.h"

#include <cmath>

namespace dewscope {

namespace {
MeterValue toFahrenheit(const MeterValue &celsius)
{
    return celsius.isNumber() ? MeterValue::number(celsius.value() * 1.8 + 32) : celsius;
}
} // namespace

bool vapourPressure(double t, double rh, double *e)
{
    const double denominator = t + 243.5;
    if (denominator == 0.0)
        return false;
    const double es = 6.112 * std::exp(17.67 * t / denominator);
    if (!std::isfinite(es))
        return false;
    const double value = es * rh * 0.01;
    if (!(value > 0.0) || !std::isfinite(value))
        return false;
    *e = value;
    return true;
}

void computeDewWet(Reading &reading, double t, double rh)
{
    if (reading.rhOverload || reading.tempOverload) {
        const MeterValue mark = MeterValue::overload(reading.tempNegative);
        reading.dewC = mark;
        reading.wetC = mark;
        reading.dewF = mark;
        reading.wetF = mark;
        return;
    }

    double e = 0.0;
    if (!vapourPressure(t, rh, &e))
        return;
    const double g = (std::log(e) - std::log(6.112)) / std::log(2.71828182845905);
    if (17.67 - g == 0.0)
        return;
    const double dewC = 243.5 * g / (17.67 - g);
    if (!std::isfinite(dewC))
        return;
    reading.dewC = MeterValue::number(dewC);

    const WetBulbResult wet = findWetBulb(t, e);
    switch (wet.outcome) {
    case WetBulbResult::Outcome::ArithmeticError:
        return;
    case WetBulbResult::Outcome::StepLimit:
        reading.wetC = MeterValue::overload(wet.wetBulb < 0);
        break;
    case WetBulbResult::Outcome::Converged:
        reading.wetC = MeterValue::number(wet.wetBulb);
        break;
    }
    reading.dewF = toFahrenheit(reading.dewC);
    reading.wetF = toFahrenheit(reading.wetC);
}

} // namespace dewscope
