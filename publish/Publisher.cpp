#include "publish/Publisher.h"

#include "alarms/AlarmEvent.h"
#include "meter/Poll.h"
#include "meter/SharedState.h"

#include <QRandomGenerator>

namespace dewscope {

Publisher::Publisher(Poll *poll, const SharedState *state, MqttClient *client,
                     const Options &options, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_client(client)
    , m_options(options)
    , m_stateTopic(MqttMessages::stateTopic(options.topicPrefix))
    , m_availabilityTopic(MqttMessages::availabilityTopic(options.topicPrefix))
{
    if (!options.discoveryPrefix.isEmpty()) {
        m_birthTopic = options.discoveryPrefix + QStringLiteral("/status");
        m_discovery = MqttMessages::discoveryMessages(
            { options.discoveryPrefix, options.topicPrefix, options.version, options.qos,
              MqttMessages::expireAfterSeconds(options.intervalMs) },
            { options.node, options.label, options.manufacturer, options.model });
    }
    m_clock.start();
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, m_client, &MqttClient::open);
    m_stopTimeout.setSingleShot(true);
    connect(&m_stopTimeout, &QTimer::timeout, this, &Publisher::finish);
    m_birthWait.setSingleShot(true);
    connect(&m_birthWait, &QTimer::timeout, this, &Publisher::answerBirth);
    connect(poll, &Poll::readingDecoded, this, &Publisher::onReading);
    connect(poll, &Poll::meterSilent, this, [this] { setMeterSending(false); });
    connect(client, &MqttClient::connected, this, &Publisher::onConnected);
    connect(client, &MqttClient::published, this, &Publisher::onPublished);
    connect(client, &MqttClient::disconnected, this, &Publisher::onDisconnected);
    connect(client, &MqttClient::messageReceived, this, &Publisher::onMessage);
}

void Publisher::start()
{
    m_client->open();
}

void Publisher::stop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    m_retry.stop();
    m_birthWait.stop();
    m_stopTimeout.start(StopTimeoutMs);
    // Readings still queued get until the time-out to reach the broker, tried again at once
    // when it is away; "offline" follows them.
    if (m_queue.size() > 0 && !m_client->isConnected() && !m_client->isOpen())
        m_client->open();
    pump();
    sendOfflineWhenDelivered();
}

void Publisher::sendOfflineWhenDelivered()
{
    if (m_offlineSent || m_queue.size() > 0)
        return;
    m_offlineSent = true;
    m_offlineId = m_client->publish(m_availabilityTopic, "offline", 1, true);
    if (m_offlineId < 0)
        finish();
}

Publisher::Counts Publisher::counts() const
{
    Counts counts = m_counts;
    counts.dropped = m_queue.dropped();
    counts.waiting = m_queue.size();
    counts.notSent += m_queue.size();
    return counts;
}

void Publisher::onReading()
{
    setMeterSending(true);
    if (m_stopping)
        return;
    const qint64 now = m_clock.elapsed();
    if (m_nextDue >= 0 && now < m_nextDue)
        return;
    // On schedule while readings come; a new schedule after a pause.
    const bool onSchedule = m_nextDue >= 0 && now - m_nextDue < m_options.intervalMs;
    m_nextDue = (onSchedule ? m_nextDue : now) + m_options.intervalMs;
    const QByteArray payload = MqttMessages::statePayload(
        AlarmEvent::timeText(QDateTime::currentDateTime()), m_state->texts);
    m_lastState = payload;
    if (m_options.qos == 0) {
        if (m_client->publish(m_stateTopic, payload, 0, true) >= 0)
            ++m_counts.published;
        else
            ++m_counts.notSent;
        return;
    }
    m_queue.push(payload, !m_client->isConnected());
    pump();
}

void Publisher::onConnected()
{
    m_failures = 0;
    if (m_stopping) {
        pump();
        sendOfflineWhenDelivered();
        return;
    }
    publishAvailability();
    for (const MqttMessages::Message &message : std::as_const(m_discovery))
        m_client->publish(message.topic, message.payload, 1, true);
    if (!m_birthTopic.isEmpty())
        m_client->subscribe(m_birthTopic, 1);
    pump();
    checkBack();
}

void Publisher::onMessage(const QString &topic, const QByteArray &payload)
{
    if (topic == m_birthTopic && payload == "online" && !m_birthWait.isActive() && !m_stopping)
        m_birthWait.start(QRandomGenerator::global()->bounded(BirthWaitMaxMs + 1));
}

// The dashboard restarted: it has forgotten the configurations, and the state unless retained
// (a broker that restarted without persistence forgot that too).
void Publisher::answerBirth()
{
    if (!m_client->isConnected() || m_stopping)
        return;
    for (const MqttMessages::Message &message : std::as_const(m_discovery))
        m_client->publish(message.topic, message.payload, 1, true);
    publishAvailability();
    if (m_meterSending && !m_lastState.isEmpty())
        m_client->publish(m_stateTopic, m_lastState, m_options.qos, true);
}

void Publisher::onPublished(int messageId)
{
    if (m_stopping && messageId == m_offlineId) {
        m_client->close();
        return;
    }
    bool late = false;
    if (!m_queue.acknowledge(messageId, &late))
        return;
    ++m_counts.published;
    m_counts.late += late ? 1 : 0;
    pump();
    checkBack();
    if (m_stopping)
        sendOfflineWhenDelivered();
}

void Publisher::onDisconnected(MqttClient::Ending ending, const QString &reason)
{
    if (m_stopping && (m_offlineSent || ending != MqttClient::Ending::Lost)) {
        finish();
        return;
    }
    if (m_stopping) {
        // Still delivering the queue: another attempt within the time-out.
        m_queue.connectionLost();
        m_retry.start(1000);
        return;
    }
    if (ending == MqttClient::Ending::CredentialsRefused
        || ending == MqttClient::Ending::TlsRefused) {
        Q_EMIT refused(ending, reason);
        return;
    }
    m_queue.connectionLost();
    if (!m_outage) {
        m_outage = true;
        m_atOutage = counts();
        Q_EMIT brokerUnreachable(reason);
    }
    m_retry.start(MqttMessages::reconnectDelaySeconds(m_failures++) * 1000);
}

void Publisher::setMeterSending(bool sending)
{
    if (sending == m_meterSending)
        return;
    m_meterSending = sending;
    publishAvailability();
}

void Publisher::publishAvailability()
{
    if (!m_stopping)
        m_client->publish(m_availabilityTopic, m_meterSending ? "online" : "offline", 1, true);
}

void Publisher::pump()
{
    while (m_client->isConnected()) {
        const QByteArray *payload = m_queue.nextToHand(Window);
        if (!payload)
            return;
        const int messageId = m_client->publish(m_stateTopic, *payload, 1, true);
        if (messageId < 0)
            return;
        m_queue.markHanded(messageId);
    }
}

void Publisher::checkBack()
{
    if (!m_outage || !m_client->isConnected() || m_queue.hasLate())
        return;
    m_outage = false;
    const Counts now = counts();
    Q_EMIT brokerBack(now.late - m_atOutage.late, now.dropped - m_atOutage.dropped,
                      now.notSent - m_atOutage.notSent);
}

void Publisher::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_stopTimeout.stop();
    Q_EMIT finished();
}

} // namespace dewscope
