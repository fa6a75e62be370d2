#include "publish/MqttMessages.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>

namespace dewscope::MqttMessages {

QString nodeName(const QString &hostName, const QString &portLocation)
{
    QString node = hostName + QLatin1Char('_') + QFileInfo(portLocation).fileName();
    for (QChar &c : node) {
        const bool kept = (c.unicode() < 128 && c.isLetterOrNumber()) || c == QLatin1Char('_')
            || c == QLatin1Char('-');
        if (!kept)
            c = QLatin1Char('_');
    }
    return node;
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

QString timeText(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"))
        + QLatin1Char(offset < 0 ? '-' : '+')
        + QStringLiteral("%1:%2")
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
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

QList<Message> discoveryMessages(const QString &discoveryPrefix, const QString &node,
                                 const QString &topicPrefix, const QString &version)
{
    struct Channel
    {
        const char *id;
        const char *name;
        const char *key;
        const char *unit;
        const char *deviceClass;
    };
    static const Channel channels[] = {
        { "temperature", "Temperature", "temperature_c", "°C", "temperature" },
        { "humidity", "Humidity", "humidity", "%", "humidity" },
        { "dew_point", "Dew point", "dew_point_c", "°C", "temperature" },
        { "wet_bulb", "Wet bulb", "wet_bulb_c", "°C", "temperature" },
    };
    const QJsonObject device {
        { "identifiers", QJsonArray { QStringLiteral("dewscope_") + node } },
        { "name", QStringLiteral("Dewscope ") + node },
        { "model", "Humidity-temperature meter" },
        { "sw_version", version },
    };
    QList<Message> messages;
    for (const Channel &channel : channels) {
        const QString id = QString::fromLatin1(channel.id);
        const QJsonObject config {
            { "name", channel.name },
            { "unique_id", node + QLatin1Char('_') + id },
            { "state_topic", stateTopic(topicPrefix) },
            { "value_template",
              QStringLiteral("{{ value_json.%1 }}").arg(QLatin1String(channel.key)) },
            { "unit_of_measurement", QString::fromUtf8(channel.unit) },
            { "device_class", channel.deviceClass },
            { "state_class", "measurement" },
            { "suggested_display_precision", 1 },
            { "availability_topic", availabilityTopic(topicPrefix) },
            { "device", device },
        };
        messages.append({ discoveryPrefix + QStringLiteral("/sensor/") + node + QLatin1Char('/')
                              + id + QStringLiteral("/config"),
                          QJsonDocument(config).toJson(QJsonDocument::Compact) });
    }
    return messages;
}

int reconnectDelaySeconds(int failedAttempts)
{
    return failedAttempts >= 5 ? 30 : 1 << qMax(0, failedAttempts);
}

} // namespace dewscope::MqttMessages
