#include "publish/MqttLimits.h"

#include <QStringList>

#include <algorithm>

namespace dewscope::MqttLimits {

namespace {

QString whyTooLong(const QString &text)
{
    const qsizetype bytes = text.toUtf8().size();
    return bytes > MaxStringBytes
        ? QStringLiteral("it takes %1 bytes, more than the %2 MQTT allows")
              .arg(bytes)
              .arg(MaxStringBytes)
        : QString();
}

} // namespace

QString whyNotPrefix(const QString &prefix)
{
    if (prefix.isEmpty())
        return QStringLiteral("it is empty");
    if (prefix.contains(QLatin1Char('+')) || prefix.contains(QLatin1Char('#')))
        return QStringLiteral("it holds + or #, which only subscriptions use");
    if (prefix.split(QLatin1Char('/')).contains(QString()))
        return QStringLiteral("it has an empty level (a leading / or //)");
    return whyNotTopic(prefix);
}

QString whyNotTopic(const QString &topic)
{
    if (topic.contains(QChar(0)))
        return QStringLiteral("it holds a NUL character");
    return whyTooLong(topic);
}

QString whyNotClientId(const QString &id)
{
    return id.isEmpty() ? QStringLiteral("it is empty") : whyTooLong(id);
}

bool splitBroker(const QString &broker, QString *host, int *port)
{
    QString portText;
    bool portGiven = false;
    if (broker.startsWith(QLatin1Char('['))) {
        const qsizetype close = broker.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        *host = broker.mid(1, close - 1);
        const QString rest = broker.mid(close + 1);
        portGiven = !rest.isEmpty();
        if (portGiven && !rest.startsWith(QLatin1Char(':')))
            return false;
        portText = rest.mid(1);
    } else {
        // One colon at most: more would be a second port, or an IPv6 address without brackets.
        const QStringList parts = broker.split(QLatin1Char(':'));
        if (parts.size() > 2)
            return false;
        *host = parts.first();
        portGiven = parts.size() == 2;
        portText = parts.value(1);
    }
    const auto isSpace = [](QChar c) { return c.isSpace(); };
    if (host->isEmpty() || std::any_of(host->begin(), host->end(), isSpace))
        return false;
    if (!portGiven)
        return true;
    const bool digits = !portText.isEmpty() && portText.size() <= 5
        && std::all_of(portText.begin(), portText.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    const int number = digits ? portText.toInt() : 0;
    if (number < 1 || number > 65535)
        return false;
    *port = number;
    return true;
}

} // namespace dewscope::MqttLimits
