#include "publish/MqttMessages.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace dewscope::MqttMessages {

namespace {

bool isNameCharacter(QChar c)
{
    return (c.unicode() < 128 && c.isLetterOrNumber()) || c == QLatin1Char('_')
        || c == QLatin1Char('-');
}

} // namespace

QString nodeName(const QString &hostName, const QString &portLocation)
{
    QString node = hostName + QLatin1Char('_') + QFileInfo(portLocation).fileName();
    for (QChar &c : node) {
        if (!isNameCharacter(c))
            c = QLatin1Char('_');
    }
    return node;
}

bool isMeterName(const QString &name)
{
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), isNameCharacter);
}

QString defaultTopicPrefix(const QString &node)
{
    return QStringLiteral("dewscope/") + node;
}

QString stateTopic(const QString &topicPrefix)
{
    return topicPrefix + QStringLiteral("/state");
}

QString availabilityTopic(const QString &topicPrefix)
{
    return topicPrefix + QStringLiteral("/availability");
}

// Written out rather than through QJsonDocument, which would print 25.0 as 25: the figures go
// out exactly as the recorder writes them.
QByteArray statePayload(const QString &time, const ReadingTexts &texts)
{
    const std::pair<const char *, const QString &> values[] = {
        { "temperature_c", texts.tempC }, { "humidity", texts.rh },
        { "dew_point_c", texts.dewC },    { "wet_bulb_c", texts.wetC },
        { "temperature_f", texts.tempF }, { "dew_point_f", texts.dewF },
        { "wet_bulb_f", texts.wetF },
    };
    QByteArray json = "{\"time\":\"" + time.toLatin1() + '"';
    QByteArrayList over;
    QByteArrayList under;
    for (const auto &[key, text] : values) {
        bool number = false;
        text.toDouble(&number);
        const QByteArray quoted = '"' + QByteArray(key) + '"';
        json += ',' + quoted + ':' + (number ? text.toLatin1() : QByteArray("null"));
        if (text == QLatin1String("OL"))
            over << quoted;
        else if (text == QLatin1String("-OL"))
            under << quoted;
    }
    return json + ",\"over_range\":[" + over.join(',') + "],\"under_range\":[" + under.join(',')
        + "]}";
}

const QString Device::DefaultManufacturer = QStringLiteral("Maker not given");
const QString Device::DefaultModel = QStringLiteral("Datalogging humidity-temperature meter");

int expireAfterSeconds(int intervalMs)
{
    return qMax(30, int((3LL * intervalMs + 999) / 1000));
}

namespace {

struct Entity
{
    const char *id;
    const char *name;
    const char *key;
    const char *unit; // nullptr: none
    const char *deviceClass;
};

const Entity entities[] = {
    { "temperature", "Temperature", "temperature_c", "°C", "temperature" },
    { "humidity", "Humidity", "humidity", "%", "humidity" },
    { "dew_point", "Dew point", "dew_point_c", "°C", "temperature" },
    { "wet_bulb", "Wet bulb", "wet_bulb_c", "°C", "temperature" },
    { "time", "Reading time", "time", nullptr, "timestamp" },
};

} // namespace

QList<Message> discoveryMessages(const Discovery &discovery, const Device &device)
{
    const QJsonObject deviceBlock {
        { "identifiers", QJsonArray { QStringLiteral("dewscope_") + device.name } },
        { "name", device.label.isEmpty() ? device.name : device.label },
        { "manufacturer", device.manufacturer },
        { "model", device.model },
    };
    const QJsonObject origin {
        { "name", "Dewscope" },
        { "sw_version", discovery.version },
    };
    // Entity ids take lower-case letters, digits and "_" only.
    const QString entityName = device.name.toLower().replace(QLatin1Char('-'), QLatin1Char('_'));
    QList<Message> messages;
    for (const Entity &entity : entities) {
        const QString id = QString::fromLatin1(entity.id);
        const QString uniqueId = device.name + QLatin1Char('_') + id;
        QJsonObject config {
            { "name", entity.name },
            { "unique_id", uniqueId },
            { "default_entity_id", QStringLiteral("sensor.%1_%2").arg(entityName, id) },
            { "state_topic", stateTopic(discovery.topicPrefix) },
            { "value_template",
              QStringLiteral("{{ value_json.%1 }}").arg(QLatin1String(entity.key)) },
            { "device_class", entity.deviceClass },
            { "availability_topic", availabilityTopic(discovery.topicPrefix) },
            { "expire_after", discovery.expireAfterSeconds },
            { "device", deviceBlock },
            { "origin", origin },
        };
        if (entity.unit) {
            config.insert("unit_of_measurement", QString::fromUtf8(entity.unit));
            config.insert("state_class", "measurement");
            config.insert("suggested_display_precision", 1);
            // Which channels are over or under range, and when the reading was taken: a
            // null value with over range is not a reading missing.
            config.insert("json_attributes_topic", stateTopic(discovery.topicPrefix));
            config.insert("json_attributes_template",
                          "{{ {'time': value_json.time, 'over_range': value_json.over_range, "
                          "'under_range': value_json.under_range} | tojson }}");
        } else {
            config.insert("entity_category", "diagnostic");
        }
        if (discovery.qos > 0)
            config.insert("qos", discovery.qos);
        messages.append({ discovery.prefix + QStringLiteral("/sensor/") + device.name
                              + QLatin1Char('/') + id + QStringLiteral("/config"),
                          QJsonDocument(config).toJson(QJsonDocument::Compact) });
    }
    return messages;
}

QStringList retainedTopics(const QString &discoveryPrefix, const QString &name,
                           const QString &topicPrefix)
{
    QStringList topics;
    for (const Entity &entity : entities)
        topics << discoveryPrefix + QStringLiteral("/sensor/") + name + QLatin1Char('/')
                + QLatin1String(entity.id) + QStringLiteral("/config");
    for (const char *channel : { "temperature", "humidity", "meter" }) {
        topics << discoveryPrefix + QStringLiteral("/binary_sensor/") + name
                + QStringLiteral("/alarm_") + QLatin1String(channel) + QStringLiteral("/config");
        topics << topicPrefix + QStringLiteral("/alarm/") + QLatin1String(channel);
    }
    return topics << availabilityTopic(topicPrefix) << stateTopic(topicPrefix);
}

int reconnectDelaySeconds(int failedAttempts)
{
    return failedAttempts >= 5 ? 30 : 1 << qMax(0, failedAttempts);
}

} // namespace dewscope::MqttMessages
