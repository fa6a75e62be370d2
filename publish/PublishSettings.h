#pragma once

#include "publish/MqttClient.h"
#include "publish/Publisher.h"

#include <QString>

class QSettings;

namespace dewscope {

// What the window publishes and where, kept between runs in the settings group "Publish". The
// password is not among them: it lives in the key store or its file.
struct PublishSettings
{
    static const QString Group;
    static const QString DiscoveryPrefix; // "homeassistant"

    bool enabled = false; // publishing when the program ended: it starts again with it
    QString host;
    int port = 1883;
    QString caFile; // not empty: TLS
    QString username;
    QString name; // the meter's; empty: the host name and the port's base name
    QString label;
    int intervalSeconds = 10;
    int qos = 1;
    bool discovery = true;

    static PublishSettings load(QSettings &settings);
    void save(QSettings &settings) const;

    // The meter's name for a meter at that port location.
    QString meterName(const QString &portLocation) const;
    // The client's settings: the meter's client id with "_window", so that the broker does
    // not take the window for the command line's publisher of the same meter.
    MqttClient::Settings client(const QString &portLocation, const QString &password) const;
    Publisher::Options publisher(const QString &portLocation, const QString &version) const;
};

} // namespace dewscope
