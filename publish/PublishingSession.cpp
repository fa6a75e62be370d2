#include "publish/PublishingSession.h"

namespace dewscope {

PublishingSession::PublishingSession(Poll *poll, const SharedState *state, QObject *parent)
    : QObject(parent)
    , m_poll(poll)
    , m_state(state)
{
    m_refresh.setInterval(1000);
    connect(&m_refresh, &QTimer::timeout, this, &PublishingSession::statusChanged);
}

PublishingSession::~PublishingSession()
{
    drop();
}

void PublishingSession::start(const MqttClient::Settings &client, const Publisher::Options &options)
{
    drop();
    m_lastError.clear();
    m_client = new MqttClient(client, this);
    m_publisher = new Publisher(m_poll, m_state, m_client, options, this);
    connect(m_client, &MqttClient::connected, this, &PublishingSession::statusChanged);
    connect(m_publisher, &Publisher::brokerUnreachable, this, [this](const QString &reason) {
        m_lastError = QStringLiteral("unreachable: %1").arg(reason);
        Q_EMIT statusChanged();
    });
    connect(m_publisher, &Publisher::refused, this,
            [this](MqttClient::Ending ending, const QString &reason) {
                m_lastError = (ending == MqttClient::Ending::CredentialsRefused
                                   ? QStringLiteral("credentials refused: %1")
                                   : QStringLiteral("TLS refused: %1"))
                                  .arg(reason);
                drop();
                Q_EMIT statusChanged();
            });
    connect(m_publisher, &Publisher::finished, this, [this] {
        drop();
        Q_EMIT statusChanged();
        Q_EMIT stopped();
    });
    m_refresh.start();
    m_publisher->start();
    Q_EMIT statusChanged();
}

void PublishingSession::stop()
{
    if (!m_publisher) {
        Q_EMIT stopped();
        return;
    }
    m_publisher->stop();
}

PublishingSession::Status PublishingSession::status() const
{
    Status status;
    status.running = m_publisher != nullptr;
    status.connected = m_client && m_client->isConnected();
    status.waiting = m_publisher ? m_publisher->waiting() : 0;
    status.lastError = m_lastError;
    return status;
}

void PublishingSession::drop()
{
    m_refresh.stop();
    // Later: drop() runs from the publisher's and the client's own signals.
    if (m_publisher)
        m_publisher->deleteLater();
    if (m_client)
        m_client->deleteLater();
    if (m_publisher)
        m_publisher->disconnect(this);
    m_publisher = nullptr;
    m_client = nullptr;
}

} // namespace dewscope
