#include "graphs/ScaleRangeCheck.h"

#include "graphs/LeadingNumber.h"

#include <cmath>

namespace dewscope {

const QString ScaleRangeCheck::CelsiusMessage = QStringLiteral("-20 <= Celsius <= 60, try again!");
const QString ScaleRangeCheck::FahrenheitMessage
    = QStringLiteral("-4 <= Fahrenheit <= 140, try again!");
const QString ScaleRangeCheck::HumidityMessage = QStringLiteral("0 <= RH% <= 100, try again!");

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
