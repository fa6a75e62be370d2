#pragma once

#include "meter/ReadingTexts.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace dewscope {

// What the publisher sends to the broker: topic names, the reading as JSON, the sensor
// configurations that dashboards discover, and the wait before the next connection attempt.
namespace MqttMessages {

struct Message
{
    QString topic;
    QByteArray payload;
};

// The host name and the port's base name joined by "_", every character outside A-Za-z0-9_-
// replaced by "_": "lab-pc_ttyUSB0".
QString nodeName(const QString &hostName, const QString &portLocation);
// "dewscope/NODE".
QString defaultTopicPrefix(const QString &node);
QString stateTopic(const QString &topicPrefix);
QString availabilityTopic(const QString &topicPrefix);

// ISO 8601 to the millisecond with the UTC offset: "2024-05-03T14:02:07.250+02:00", so that
// readings taken within one second keep times of their own.
QString timeText(const QDateTime &time);

// One JSON object: the time, the seven values as the recorder writes them (one decimal), null
// for "OL" and "-OL", and the keys of those in over_range and under_range.
QByteArray statePayload(const QString &time, const ReadingTexts &texts);

// One retained sensor configuration per channel (temperature, humidity, dew point, wet bulb)
// under DISCOVERY/sensor/NODE/CHANNEL/config, grouped into one device.
QList<Message> discoveryMessages(const QString &discoveryPrefix, const QString &node,
                                 const QString &topicPrefix, const QString &version);

// Seconds to wait after that many failed attempts in a row: 1, 2, 4, 8, 16, then 30.
int reconnectDelaySeconds(int failedAttempts);

} // namespace MqttMessages
} // namespace dewscope
