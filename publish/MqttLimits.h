#pragma once

#include <QString>

namespace dewscope {

// What MQTT can carry at all, checked before connecting: a setting outside these rules would
// have the broker or the library refuse every connection attempt, for ever. Each check gives
// the reason in words, or an empty text when the setting can work.
namespace MqttLimits {

// The longest string the protocol carries: a topic, a client id, a user name.
constexpr int MaxStringBytes = 65535;

// A prefix of topics: not empty, no + or # (they only mean something in subscriptions), no
// empty level (a leading "/" or "//").
QString whyNotPrefix(const QString &prefix);
// A topic built from a prefix: at most MaxStringBytes bytes in UTF-8, no NUL character.
QString whyNotTopic(const QString &topic);
// A client id: not empty, at most MaxStringBytes bytes in UTF-8.
QString whyNotClientId(const QString &id);

// HOST, HOST:PORT, [IPv6] or [IPv6]:PORT, one port of digits from 1 to 65535; *port is left as
// it is when none is given. False for anything else (an IPv6 address wants its brackets).
bool splitBroker(const QString &broker, QString *host, int *port);

} // namespace MqttLimits
} // namespace dewscope
