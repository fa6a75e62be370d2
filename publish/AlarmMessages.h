#pragma once

#include "alarms/AlarmEvent.h"
#include "publish/MqttMessages.h"

namespace dewscope {

// The alarms on the broker: PREFIX/alarm/CHANNEL (temperature, humidity, meter) carries the
// alarm's state as retained JSON, and with discovery a binary sensor of class "problem" per
// channel joins the sensors' device.
namespace AlarmMessages {

QString alarmTopic(const QString &topicPrefix, AlarmChannel channel);

// {"state":"on","side":"above","value":8.4,"since":TIME} while an alarm is active;
// {"state":"off","side":null,"value":null,"since":TIME} otherwise, since when it is off.
QByteArray statePayload(bool on, AlarmSide side, const MeterValue &value, const QDateTime &since);

// DISCOVERY/binary_sensor/NODE/alarm_CHANNEL/config, unique id NODE_alarm_CHANNEL. The meter's
// has no availability topic: it must read "on" exactly while the meter is silent.
MqttMessages::Message discoveryMessage(const QString &discoveryPrefix, const QString &node,
                                       const QString &topicPrefix, AlarmChannel channel);

} // namespace AlarmMessages
} // namespace dewscope
