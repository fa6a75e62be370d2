#include "alarms/AlarmEvent.h"

#include "meter/DisplayFormat.h"

#include <QJsonValue>

namespace dewscope {

namespace {

QString numberText(std::optional<double> number)
{
    return number ? formatReading(*number) : QString();
}

QJsonValue jsonValue(const MeterValue &value)
{
    if (value.isNumber())
        return formatReading(value).toDouble();
    if (value.isOverload())
        return value.overloadText();
    return QJsonValue::Null;
}

QJsonValue jsonNumber(std::optional<double> number)
{
    return number ? QJsonValue(formatReading(*number).toDouble()) : QJsonValue::Null;
}

QJsonValue jsonText(const QString &text)
{
    return text.isEmpty() ? QJsonValue::Null : QJsonValue(text);
}

} // namespace

QString AlarmEvent::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Start:
        return QStringLiteral("start");
    case Kind::End:
        return QStringLiteral("end");
    case Kind::Ack:
        break;
    }
    return QStringLiteral("ack");
}

QString AlarmEvent::channelName(AlarmChannel channel)
{
    switch (channel) {
    case AlarmChannel::Temperature:
        return QStringLiteral("temperature");
    case AlarmChannel::Humidity:
        return QStringLiteral("humidity");
    case AlarmChannel::Meter:
        break;
    }
    return QStringLiteral("meter");
}

QString AlarmEvent::sideName(AlarmSide side)
{
    switch (side) {
    case AlarmSide::Below:
        return QStringLiteral("below");
    case AlarmSide::Above:
        return QStringLiteral("above");
    case AlarmSide::Silent:
        break;
    }
    return QStringLiteral("silent");
}

QString AlarmEvent::timeText(const QDateTime &time)
{
    if (!time.isValid())
        return QString();
    // An offset of its own, so that UTC too reads +00:00 rather than Z.
    const QDateTime local = time.toOffsetFromUtc(time.offsetFromUtc());
    QString text = local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
    const int offset = local.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return text
        + QStringLiteral("%1%2:%3")
              .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString AlarmEvent::valueText(const MeterValue &value)
{
    return formatReading(value);
}

QString AlarmEvent::text() const
{
    QString line = timeText(time) + QLatin1Char(' ') + kindName(kind) + QLatin1Char(' ')
        + channelName(channel) + QLatin1Char(' ') + sideName(side);
    const QString withUnit = unit.isEmpty() ? QString() : QLatin1Char(' ') + unit;
    if (value.isSet())
        line += QLatin1Char(' ') + valueText(value) + withUnit;
    if (limit)
        line += QStringLiteral(", limit ") + numberText(limit) + withUnit;
    if (seconds)
        line += QStringLiteral(", after %1 s").arg(QString::number(*seconds, 'f', 1));
    if (extreme.isSet())
        line += QStringLiteral(", extreme ") + valueText(extreme) + withUnit;
    return line + QStringLiteral(", since ") + timeText(since);
}

QJsonObject AlarmEvent::json() const
{
    return {
        { QStringLiteral("event"), kindName(kind) },
        { QStringLiteral("channel"), channelName(channel) },
        { QStringLiteral("side"), sideName(side) },
        { QStringLiteral("value"), jsonValue(value) },
        { QStringLiteral("limit"), jsonNumber(limit) },
        { QStringLiteral("unit"), jsonText(unit) },
        { QStringLiteral("since"), jsonText(timeText(since)) },
        { QStringLiteral("time"), jsonText(timeText(time)) },
        { QStringLiteral("seconds"),
          seconds ? QJsonValue(QString::number(*seconds, 'f', 3).toDouble()) : QJsonValue() },
        { QStringLiteral("extreme"), jsonValue(extreme) },
    };
}

QString AlarmEvent::logLine() const
{
    return QStringList { timeText(time),
                         kindName(kind),
                         channelName(channel),
                         sideName(side),
                         valueText(value),
                         numberText(limit),
                         seconds ? QString::number(*seconds, 'f', 1) : QString() }
        .join(QLatin1Char('\t'));
}

QStringList AlarmEvent::environment(const QString &port) const
{
    const auto pair = [](const char *name, const QString &value) {
        return QStringLiteral("DEWSCOPE_") + QLatin1String(name) + QLatin1Char('=') + value;
    };
    return { pair("EVENT", kindName(kind)),
             pair("CHANNEL", channelName(channel)),
             pair("SIDE", sideName(side)),
             pair("VALUE", valueText(value)),
             pair("LIMIT", numberText(limit)),
             pair("UNIT", unit),
             pair("SINCE", timeText(since)),
             pair("TIME", timeText(time)),
             pair("SECONDS", seconds ? QString::number(*seconds, 'f', 1) : QString()),
             pair("EXTREME", valueText(extreme)),
             pair("PORT", port) };
}

} // namespace dewscope
