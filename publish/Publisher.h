#pragma once

#include "publish/MqttClient.h"
#include "publish/MqttMessages.h"
#include "publish/PendingReadings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace dewscope {

class Poll;
struct SharedState;

// Publishes the live poll's readings to an MQTT broker: the current reading on PREFIX/state
// (retained) every interval while the meter sends, "online" / "offline" on PREFIX/availability
// (retained; "offline" is also the last will), and the discovery configurations. Both are
// published again after every reconnection, and when the dashboard announces itself "online"
// on DISCOVERY/status (after a random wait, so that many publishers do not answer at once). The
// broker going away loses nothing within the queue's bound: at QoS 1 readings wait in order until
// acknowledged; at QoS 0 those taken meanwhile are counted as not sent. Reconnects after 1, 2, 4,
// 8, 16, then every 30 s.
class Publisher : public QObject
{
    Q_OBJECT

public:
    static constexpr int QueueCapacity = 10000;
    // QoS 1 readings handed to the library at a time; the rest wait in our queue.
    static constexpr int Window = 20;
    static constexpr int StopTimeoutMs = 5000;
    // The longest wait before answering the dashboard's "online".
    static constexpr int BirthWaitMaxMs = 5000;

    struct Options
    {
        QString topicPrefix;
        int intervalMs = 10000; // 0: every reading the poll decodes
        int qos = 1;
        QString discoveryPrefix; // empty: no discovery
        QString node; // the meter's name
        QString label; // the device's name as shown; empty: node
        QString manufacturer = MqttMessages::Device::DefaultManufacturer;
        QString model = MqttMessages::Device::DefaultModel;
        QString version;
    };

    struct Counts
    {
        qint64 published = 0; // acknowledged (QoS 1) or written (QoS 0)
        qint64 late = 0; // of those, taken while the broker was away
        qint64 dropped = 0; // pushed out of the full queue
        qint64 notSent = 0; // QoS 0 readings while away, and QoS 1 readings still waiting
        qint64 waiting = 0; // of those, the QoS 1 readings still waiting: lost when it ends
    };

    Publisher(Poll *poll, const SharedState *state, MqttClient *client, const Options &options,
              QObject *parent = nullptr);

    void start();
    // Waits up to StopTimeoutMs for the broker to take the readings still queued (reconnecting
    // at once when it is away), then publishes "offline" and disconnects; finished() follows.
    void stop();
    Counts counts() const;
    // Readings taken and not yet acknowledged.
    int waiting() const { return m_queue.size(); }

Q_SIGNALS:
    // Once per outage, with the reason of its first failure.
    void brokerUnreachable(const QString &reason);
    // The readings of the outage are delivered: how many went late, were dropped, not sent.
    void brokerBack(qint64 late, qint64 dropped, qint64 notSent);
    // Credentials refused or a TLS handshake failed: retrying would not help.
    void refused(dewscope::MqttClient::Ending ending, const QString &reason);
    void finished();

private:
    void onReading();
    void onConnected();
    void onPublished(int messageId);
    void onDisconnected(MqttClient::Ending ending, const QString &reason);
    void onMessage(const QString &topic, const QByteArray &payload);
    void answerBirth();
    void setMeterSending(bool sending);
    void publishAvailability();
    void pump();
    void checkBack();
    void sendOfflineWhenDelivered();
    void finish();

    const SharedState *m_state;
    MqttClient *m_client;
    Options m_options;
    QString m_stateTopic;
    QString m_availabilityTopic;
    QString m_birthTopic; // empty: no discovery
    QList<MqttMessages::Message> m_discovery;
    QByteArray m_lastState; // the last reading published
    PendingReadings m_queue { QueueCapacity };
    Counts m_counts;
    Counts m_atOutage; // the counts when the outage began
    QElapsedTimer m_clock;
    qint64 m_nextDue = -1; // when the next reading is due, on m_clock
    QTimer m_retry;
    QTimer m_stopTimeout;
    QTimer m_birthWait;
    int m_failures = 0;
    int m_offlineId = -1;
    bool m_meterSending = false;
    bool m_outage = false;
    bool m_stopping = false;
    bool m_offlineSent = false;
    bool m_finished = false;
};

} // namespace dewscope
