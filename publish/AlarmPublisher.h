#pragma once

#include "alarms/AlarmEvent.h"

#include <QList>
#include <QObject>

namespace dewscope {

class MqttClient;

// Keeps the alarm topics on the broker: each watched channel's state, retained at QoS 1,
// published at every connection (with the binary sensors' configurations when discovery is on)
// and at every start and end.
class AlarmPublisher : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString topicPrefix;
        QString discoveryPrefix; // empty: no discovery
        QString node;
        QList<AlarmChannel> channels; // the watched ones
    };

    AlarmPublisher(MqttClient *client, const Options &options, QObject *parent = nullptr);

    void onEvent(const AlarmEvent &event);

private:
    struct State
    {
        bool on = false;
        AlarmSide side = AlarmSide::Above;
        MeterValue value;
        QDateTime since;
    };

    void publishState(AlarmChannel channel);
    void onConnected();

    MqttClient *m_client;
    Options m_options;
    State m_states[AlarmChannelCount];
};

} // namespace dewscope
