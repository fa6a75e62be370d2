#pragma once

#include "publish/MqttClient.h"

#include <QStringList>

namespace dewscope {

// Removes a meter from the broker: every topic gets an empty retained message at QoS 1, which
// the broker takes as "keep nothing here", and dashboards drop what they had discovered. Runs
// its own event loop until each one is acknowledged; false with the reason when the broker
// cannot be reached or refuses.
bool forgetRetained(MqttClient::Settings settings, const QStringList &topics, QString *error);

} // namespace dewscope
