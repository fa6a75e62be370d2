#pragma once

#include "meter/ReadingTexts.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace dewscope {

// What the publisher sends to the broker: topic names, the reading as JSON, the sensor
// configurations that dashboards discover, and the wait before the next connection attempt.
namespace MqttMessages {

struct Message
{
    QString topic;
    QByteArray payload;
};

// The meter's name when none is given: the host name and the port's base name joined by "_",
// every character outside A-Za-z0-9_- replaced by "_": "lab-pc_ttyUSB0".
QString nodeName(const QString &hostName, const QString &portLocation);
// A name given to a meter: not empty, letters, digits, "-" and "_" only.
bool isMeterName(const QString &name);
// "dewscope/NAME".
QString defaultTopicPrefix(const QString &node);
QString stateTopic(const QString &topicPrefix);
QString availabilityTopic(const QString &topicPrefix);

// One JSON object: the time, the seven values as the recorder writes them (one decimal), null
// for "OL" and "-OL", and the keys of those in over_range and under_range.
QByteArray statePayload(const QString &time, const ReadingTexts &texts);

// How the meter appears in a dashboard. The maker and model cannot be read from the meter.
struct Device
{
    static const QString DefaultManufacturer;
    static const QString DefaultModel;

    QString name; // NAME: ids and topics
    QString label; // the device's name as shown; empty: NAME
    QString manufacturer = DefaultManufacturer;
    QString model = DefaultModel;
};

// What the sensor configurations say beside the device.
struct Discovery
{
    QString prefix; // DISCOVERY
    QString topicPrefix; // PREFIX
    QString version; // ours, in the origin block
    int qos = 1; // the dashboard subscribes at this QoS
    int expireAfterSeconds = 30;
};

// A reading older than three intervals, and never less than 30 s, has expired.
int expireAfterSeconds(int intervalMs);

// One retained sensor configuration per entity under DISCOVERY/sensor/NAME/ENTITY/config,
// grouped into one device: temperature, humidity, dew point and wet bulb, each with the
// reading's time and over- and under-range keys as attributes, and the reading's time as a
// diagnostic timestamp.
QList<Message> discoveryMessages(const Discovery &discovery, const Device &device);

// Every retained topic a meter of that name may have left: its configurations (sensors and
// alarms), availability, state and alarm states.
QStringList retainedTopics(const QString &discoveryPrefix, const QString &name,
                           const QString &topicPrefix);

// Seconds to wait after that many failed attempts in a row: 1, 2, 4, 8, 16, then 30.
int reconnectDelaySeconds(int failedAttempts);

} // namespace MqttMessages
} // namespace dewscope
