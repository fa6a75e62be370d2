#include "publish/ForgetRetained.h"

#include <QEventLoop>
#include <QSet>

namespace dewscope {

bool forgetRetained(MqttClient::Settings settings, const QStringList &topics, QString *error)
{
    // No last will: an "offline" left behind would be a retained message again.
    settings.willTopic.clear();
    MqttClient client(settings);
    QEventLoop loop;
    QSet<int> unacknowledged;
    bool done = false;
    QObject::connect(&client, &MqttClient::connected, &loop, [&] {
        for (const QString &topic : topics) {
            const int id = client.publish(topic, QByteArray(), 1, true);
            if (id < 0)
                return; // the connection ended; disconnected() follows
            unacknowledged.insert(id);
        }
    });
    QObject::connect(&client, &MqttClient::published, &loop, [&](int id) {
        if (unacknowledged.remove(id) && unacknowledged.isEmpty()) {
            done = true;
            client.close();
        }
    });
    QObject::connect(
        &client, &MqttClient::disconnected, &loop, [&](MqttClient::Ending, const QString &reason) {
            *error = reason.isEmpty() ? QStringLiteral("the connection ended") : reason;
            loop.quit();
        });
    client.open();
    loop.exec();
    return done;
}

} // namespace dewscope
