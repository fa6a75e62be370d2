#include "publish/AlarmMessages.h"

#include "meter/DisplayFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace dewscope::AlarmMessages {

QString alarmTopic(const QString &topicPrefix, AlarmChannel channel)
{
    return topicPrefix + QStringLiteral("/alarm/") + AlarmEvent::channelName(channel);
}

QByteArray statePayload(bool on, AlarmSide side, const MeterValue &value, const QDateTime &since)
{
    QJsonValue number;
    if (on && value.isNumber())
        number = formatReading(value).toDouble();
    else if (on && value.isOverload())
        number = value.overloadText();
    const QJsonObject state {
        { "state", on ? "on" : "off" },
        { "side", on ? QJsonValue(AlarmEvent::sideName(side)) : QJsonValue() },
        { "value", number },
        { "since", AlarmEvent::timeText(since) },
    };
    return QJsonDocument(state).toJson(QJsonDocument::Compact);
}

MqttMessages::Message discoveryMessage(const QString &discoveryPrefix, const QString &node,
                                       const QString &topicPrefix, AlarmChannel channel)
{
    static const char *const names[] = { "Temperature alarm", "Humidity alarm", "Meter silent" };
    const QString id = QStringLiteral("alarm_") + AlarmEvent::channelName(channel);
    QJsonObject config {
        { "name", names[int(channel)] },
        { "unique_id", node + QLatin1Char('_') + id },
        { "state_topic", alarmTopic(topicPrefix, channel) },
        { "value_template", "{{ value_json.state }}" },
        { "payload_on", "on" },
        { "payload_off", "off" },
        { "json_attributes_topic", alarmTopic(topicPrefix, channel) },
        { "device_class", "problem" },
        { "device", QJsonObject { { "identifiers", QJsonArray { "dewscope_" + node } } } },
    };
    if (channel != AlarmChannel::Meter)
        config.insert("availability_topic", MqttMessages::availabilityTopic(topicPrefix));
    return { discoveryPrefix + QStringLiteral("/binary_sensor/") + node + QLatin1Char('/') + id
                 + QStringLiteral("/config"),
             QJsonDocument(config).toJson(QJsonDocument::Compact) };
}

} // namespace dewscope::AlarmMessages
