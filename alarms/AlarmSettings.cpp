#include "alarms/AlarmSettings.h"

namespace dewscope {

namespace {

QString limitsProblem(const SummaryLimits &limits, double hysteresis, const QString &name,
                      const QString &unit)
{
    if (hysteresis < 0)
        return QStringLiteral("the %1 hysteresis cannot be negative").arg(name);
    if (!limits.low || !limits.high)
        return QString();
    if (*limits.low > *limits.high)
        return QStringLiteral("the low %1 limit %2 lies above the high limit %3")
            .arg(name, QString::number(*limits.low), QString::number(*limits.high));
    const double half = (*limits.high - *limits.low) / 2;
    if (hysteresis >= half)
        return QStringLiteral("the %1 hysteresis %2 %3 must be less than half the span between "
                              "the limits (%4 %3)")
            .arg(name, QString::number(hysteresis), unit, QString::number(half));
    return QString();
}

} // namespace

QString AlarmSettings::temperatureUnit() const
{
    return fahrenheit ? QString::fromUtf8("°F") : QString::fromUtf8("°C");
}

QString AlarmSettings::problem() const
{
    if (!(delay >= 0 && delay <= MaxDelay) || !(silenceDelay >= 0 && silenceDelay <= MaxDelay))
        return QStringLiteral("the delays must lie from 0 to %1 seconds").arg(MaxDelay);
    const QString t = limitsProblem(temperature, temperatureHysteresisValue(),
                                    QStringLiteral("temperature"), temperatureUnit());
    if (!t.isEmpty())
        return t;
    return limitsProblem(humidity, humidityHysteresis, QStringLiteral("humidity"),
                         QStringLiteral("%RH"));
}

} // namespace dewscope
