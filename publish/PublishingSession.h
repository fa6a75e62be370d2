#pragma once

#include "publish/MqttClient.h"
#include "publish/Publisher.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace dewscope {

class Poll;
struct SharedState;

// The window's publishing of the meter it shows: one client and one publisher at a time over
// the window's poll, and what the window says about them (connected, readings waiting, the
// last error).
class PublishingSession : public QObject
{
    Q_OBJECT

public:
    struct Status
    {
        bool running = false;
        bool connected = false;
        int waiting = 0; // readings taken and not yet acknowledged
        QString lastError; // empty: none since the start
    };

    PublishingSession(Poll *poll, const SharedState *state, QObject *parent = nullptr);
    ~PublishingSession() override;

    // Starts publishing (a running session is dropped first, without its "offline").
    void start(const MqttClient::Settings &client, const Publisher::Options &options);
    // Publishes "offline" and disconnects; stopped() follows, at once when nothing runs.
    void stop();
    bool isRunning() const { return m_publisher != nullptr; }
    Status status() const;

Q_SIGNALS:
    void statusChanged();
    void stopped();

private:
    void drop();

    Poll *m_poll;
    const SharedState *m_state;
    MqttClient *m_client = nullptr;
    Publisher *m_publisher = nullptr;
    QString m_lastError;
    QTimer m_refresh; // the waiting readings change without a signal
};

} // namespace dewscope
