#include "publish/PublishSettings.h"

#include <QSettings>
#include <QSysInfo>

namespace dewscope {

const QString PublishSettings::Group = QStringLiteral("Publish");
const QString PublishSettings::DiscoveryPrefix = QStringLiteral("homeassistant");

PublishSettings PublishSettings::load(QSettings &settings)
{
    PublishSettings s;
    settings.beginGroup(Group);
    s.enabled = settings.value(QStringLiteral("enabled"), s.enabled).toBool();
    s.host = settings.value(QStringLiteral("host")).toString();
    s.port = qBound(1, settings.value(QStringLiteral("port"), s.port).toInt(), 65535);
    s.caFile = settings.value(QStringLiteral("caFile")).toString();
    s.username = settings.value(QStringLiteral("username")).toString();
    s.name = settings.value(QStringLiteral("name")).toString();
    if (!MqttMessages::isMeterName(s.name))
        s.name.clear();
    s.label = settings.value(QStringLiteral("label")).toString();
    s.intervalSeconds
        = qBound(0, settings.value(QStringLiteral("interval"), s.intervalSeconds).toInt(), 86400);
    s.qos = settings.value(QStringLiteral("qos"), s.qos).toInt() == 0 ? 0 : 1;
    s.discovery = settings.value(QStringLiteral("discovery"), s.discovery).toBool();
    settings.endGroup();
    return s;
}

void PublishSettings::save(QSettings &settings) const
{
    settings.beginGroup(Group);
    settings.setValue(QStringLiteral("enabled"), enabled);
    settings.setValue(QStringLiteral("host"), host);
    settings.setValue(QStringLiteral("port"), port);
    settings.setValue(QStringLiteral("caFile"), caFile);
    settings.setValue(QStringLiteral("username"), username);
    settings.setValue(QStringLiteral("name"), name);
    settings.setValue(QStringLiteral("label"), label);
    settings.setValue(QStringLiteral("interval"), intervalSeconds);
    settings.setValue(QStringLiteral("qos"), qos);
    settings.setValue(QStringLiteral("discovery"), discovery);
    settings.endGroup();
}

QString PublishSettings::meterName(const QString &portLocation) const
{
    return name.isEmpty() ? MqttMessages::nodeName(QSysInfo::machineHostName(), portLocation)
                          : name;
}

MqttClient::Settings PublishSettings::client(const QString &portLocation,
                                             const QString &password) const
{
    MqttClient::Settings client;
    client.host = host;
    client.port = port;
    client.caFile = caFile;
    client.username = username;
    client.password = password;
    client.clientId = QStringLiteral("dewscope_%1_window").arg(meterName(portLocation));
    client.willTopic = MqttMessages::availabilityTopic(
        MqttMessages::defaultTopicPrefix(meterName(portLocation)));
    client.willPayload = "offline";
    return client;
}

Publisher::Options PublishSettings::publisher(const QString &portLocation,
                                              const QString &version) const
{
    Publisher::Options options;
    options.node = meterName(portLocation);
    options.label = label;
    options.topicPrefix = MqttMessages::defaultTopicPrefix(options.node);
    options.intervalMs = intervalSeconds * 1000;
    options.qos = qos;
    options.discoveryPrefix = discovery ? DiscoveryPrefix : QString();
    options.version = version;
    return options;
}

} // namespace dewscope
