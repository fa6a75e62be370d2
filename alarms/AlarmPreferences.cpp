#include "alarms/AlarmPreferences.h"

#include <QLocale>

#include <cmath>

namespace dewscope {

std::optional<AlarmPreferences> AlarmPreferences::fromTexts(const QHash<QString, QString> &texts,
                                                            QString *problem)
{
    QStringList bad;
    const auto number = [&](const char *name, const QString &label) -> std::optional<double> {
        const QString text = texts.value(QLatin1String(name)).trimmed();
        if (text.isEmpty())
            return std::nullopt;
        bool ok = false;
        const double value = QLocale::c().toDouble(QString(text).replace(',', '.'), &ok);
        if (!ok || !std::isfinite(value)) {
            bad << label;
            return std::nullopt;
        }
        return value;
    };
    AlarmPreferences p;
    AlarmSettings &s = p.settings;
    s.fahrenheit = texts.value(QStringLiteral("unit")) == QLatin1String("f");
    s.temperature = { number("tempLow", QStringLiteral("low temperature")),
                      number("tempHigh", QStringLiteral("high temperature")) };
    s.humidity = { number("rhLow", QStringLiteral("low humidity")),
                   number("rhHigh", QStringLiteral("high humidity")) };
    s.delay = number("delay", QStringLiteral("delay")).value_or(0);
    s.temperatureHysteresis = number("hysteresisTemp", QStringLiteral("temperature hysteresis"));
    s.humidityHysteresis = number("hysteresisRh", QStringLiteral("humidity hysteresis"))
                               .value_or(AlarmSettings::DefaultHysteresisRh);
    s.silenceDelay = number("silenceDelay", QStringLiteral("silent meter delay"))
                         .value_or(AlarmSettings::DefaultSilenceDelay);
    p.logPath = texts.value(QStringLiteral("logPath")).trimmed();
    p.notify = texts.value(QStringLiteral("notify"), QStringLiteral("1")) != QLatin1String("0");
    p.sound = texts.value(QStringLiteral("sound"), QStringLiteral("1")) != QLatin1String("0");
    QString why = bad.isEmpty() ? s.problem()
                                : QStringLiteral("The %1 must be a number.").arg(bad.join(", "));
    if (why.isEmpty())
        return p;
    if (!why.endsWith(QLatin1Char('.')))
        why = why.at(0).toUpper() + why.mid(1) + QLatin1Char('.');
    *problem = why;
    return std::nullopt;
}

} // namespace dewscope
