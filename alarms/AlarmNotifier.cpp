#include "alarms/AlarmNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace dewscope::AlarmNotifier {

QString title(const AlarmEvent &event)
{
    const bool start = event.kind == AlarmEvent::Kind::Start;
    if (event.channel == AlarmChannel::Meter)
        return start ? QStringLiteral("Alarm: the meter is silent")
                     : QStringLiteral("Alarm over: the meter sends again");
    const QString what = AlarmEvent::channelName(event.channel) + QLatin1Char(' ')
        + AlarmEvent::sideName(event.side) + QStringLiteral(" its limit");
    return (start ? QStringLiteral("Alarm: ") : QStringLiteral("Alarm over: ")) + what;
}

QString body(const AlarmEvent &event)
{
    QString text;
    if (event.value.isSet())
        text = AlarmEvent::valueText(event.value) + QLatin1Char(' ') + event.unit;
    if (event.limit)
        text += QStringLiteral(" (limit %1 %2)")
                    .arg(AlarmEvent::valueText(MeterValue::number(*event.limit)), event.unit);
    text
        += QStringLiteral("\nsince ") + event.since.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (event.seconds)
        text += QStringLiteral(", lasted %1 s").arg(QString::number(*event.seconds, 'f', 0));
    return text.trimmed();
}

bool notify(const AlarmEvent &event)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const bool start = event.kind == AlarmEvent::Kind::Start;
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(start ? 2 : 1)));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("dewscope"));
    call << QStringLiteral("Dewscope") << uint(0) << QStringLiteral("dewscope") << title(event)
         << body(event) << QStringList() << hints << int(start ? 0 : -1);
    return bus.send(call);
}

} // namespace dewscope::AlarmNotifier
