#include "publish/AlarmPublisher.h"

#include "publish/AlarmMessages.h"
#include "publish/MqttClient.h"

namespace dewscope {

AlarmPublisher::AlarmPublisher(MqttClient *client, const Options &options, QObject *parent)
    : QObject(parent)
    , m_client(client)
    , m_options(options)
{
    for (State &state : m_states)
        state.since = QDateTime::currentDateTime();
    connect(client, &MqttClient::connected, this, &AlarmPublisher::onConnected);
}

void AlarmPublisher::onEvent(const AlarmEvent &event)
{
    State &state = m_states[int(event.channel)];
    if (event.kind == AlarmEvent::Kind::Ack)
        return;
    state.on = event.kind == AlarmEvent::Kind::Start;
    state.side = event.side;
    state.value = event.value;
    state.since = state.on ? event.since : event.time;
    publishState(event.channel);
}

void AlarmPublisher::onConnected()
{
    for (AlarmChannel channel : std::as_const(m_options.channels)) {
        if (!m_options.discoveryPrefix.isEmpty()) {
            const auto config = AlarmMessages::discoveryMessage(
                m_options.discoveryPrefix, m_options.node, m_options.topicPrefix, channel);
            m_client->publish(config.topic, config.payload, 1, true);
        }
        publishState(channel);
    }
}

void AlarmPublisher::publishState(AlarmChannel channel)
{
    if (!m_options.channels.contains(channel))
        return;
    const State &state = m_states[int(channel)];
    // Not connected: the state goes out at the next connection.
    m_client->publish(AlarmMessages::alarmTopic(m_options.topicPrefix, channel),
                      AlarmMessages::statePayload(state.on, state.side, state.value, state.since),
                      1, true);
}

} // namespace dewscope
