#pragma once

#include "meter/MeterValue.h"

#include <QDateTime>
#include <QJsonObject>
#include <QStringList>

#include <optional>

namespace dewscope {

enum class AlarmChannel { Temperature, Humidity, Meter };
constexpr int AlarmChannelCount = 3;
enum class AlarmSide { Below, Above, Silent };

// One thing an alarm did: it started, ended or was acknowledged. Every text form names the
// event, channel and side by the same words: start/end/ack, temperature/humidity/meter,
// below/above/silent.
struct AlarmEvent
{
    enum class Kind { Start, End, Ack };

    Kind kind = Kind::Start;
    AlarmChannel channel = AlarmChannel::Temperature;
    AlarmSide side = AlarmSide::Above;
    MeterValue value; // the reading that started or ended it; unset for the meter
    std::optional<double> limit; // the limit on its side; none for the meter
    QString unit; // "°C", "°F", "%RH"; empty for the meter
    QDateTime since; // when the excursion (or the silence) began
    QDateTime time; // when the event happened
    std::optional<double> seconds; // an end's duration from since
    MeterValue extreme; // an end's lowest (below) or highest (above) value

    static QString kindName(Kind kind);
    static QString channelName(AlarmChannel channel);
    static QString sideName(AlarmSide side);
    // ISO 8601 with milliseconds and the UTC offset, e.g. 2026-03-01T14:05:09.250+01:00.
    static QString timeText(const QDateTime &time);
    // A value as the display shows it ("8.4", "OL", "-OL"), empty when unset.
    static QString valueText(const MeterValue &value);

    // One line for a person: "TIME start temperature above 8.4 °C, limit 8.0 °C, since TIME".
    QString text() const;
    // Every key, null where it does not apply.
    QJsonObject json() const;
    // The log's fields, TAB-separated: time, event, channel, side, value, limit, duration.
    QString logLine() const;
    // DEWSCOPE_EVENT=... and the others, for a command run on the event.
    QStringList environment(const QString &port) const;
};

} // namespace dewscope
