#include "publish/MqttClient.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <mosquitto.h>
#include <sys/socket.h>

namespace dewscope {

namespace {

MqttClient::Ending endingFor(int code)
{
    switch (code) {
    case MOSQ_ERR_TLS:
        return MqttClient::Ending::TlsRefused;
    case MOSQ_ERR_AUTH:
        return MqttClient::Ending::CredentialsRefused;
    default:
        return MqttClient::Ending::Lost;
    }
}

// The library's texts end with a full stop; ours go inside parentheses.
QString withoutStop(const char *text)
{
    QString reason = QString::fromUtf8(text);
    if (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return reason;
}

} // namespace

MqttClient::MqttClient(const Settings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_misc(new QTimer(this))
    , m_connectTimeout(new QTimer(this))
    , m_report(new QTimer(this))
{
    static const int initialised = mosquitto_lib_init();
    Q_UNUSED(initialised)
    m_misc->setInterval(1000);
    connect(m_misc, &QTimer::timeout, this, [this] {
        if (m_client && !m_report->isActive())
            check(mosquitto_loop_misc(m_client));
        service();
    });
    m_connectTimeout->setSingleShot(true);
    connect(m_connectTimeout, &QTimer::timeout, this, [this] {
        fail(Ending::Lost, QStringLiteral("no answer within %1 s").arg(ConnectTimeoutMs / 1000));
    });
    m_report->setSingleShot(true);
    m_report->setInterval(0);
    connect(m_report, &QTimer::timeout, this, [this] {
        drop();
        Q_EMIT disconnected(m_ending, m_reason);
    });
}

MqttClient::~MqttClient()
{
    drop();
}

void MqttClient::open()
{
    drop();
    m_lastError.clear();
    m_client = mosquitto_new(m_settings.clientId.toUtf8().constData(), true, this);
    if (!m_client) {
        fail(Ending::Lost, QStringLiteral("cannot create an MQTT client"));
        return;
    }
    mosquitto_connect_callback_set(m_client, [](mosquitto *, void *object, int code) {
        auto *self = static_cast<MqttClient *>(object);
        if (code != 0) {
            // 4: bad user name or password, 5: not authorised.
            self->fail(code == 4 || code == 5 ? Ending::CredentialsRefused : Ending::Lost,
                       withoutStop(mosquitto_connack_string(code)));
            return;
        }
        self->m_connected = true;
        self->m_connectTimeout->stop();
        Q_EMIT self->connected();
    });
    mosquitto_disconnect_callback_set(m_client, [](mosquitto *, void *object, int code) {
        auto *self = static_cast<MqttClient *>(object);
        if (code == MOSQ_ERR_SUCCESS)
            self->fail(Ending::Closed, QString());
        else
            self->check(code);
    });
    mosquitto_publish_callback_set(m_client, [](mosquitto *, void *object, int messageId) {
        Q_EMIT static_cast<MqttClient *>(object)->published(messageId);
    });
    mosquitto_message_callback_set(
        m_client, [](mosquitto *, void *object, const mosquitto_message *message) {
            Q_EMIT static_cast<MqttClient *>(object)->messageReceived(
                QString::fromUtf8(message->topic),
                QByteArray(static_cast<const char *>(message->payload), message->payloadlen));
        });
    mosquitto_log_callback_set(
        m_client, [](mosquitto *, void *object, int level, const char *text) {
            if (level == MOSQ_LOG_ERR)
                static_cast<MqttClient *>(object)->m_lastError = QString::fromUtf8(text);
        });

    const QByteArray will = m_settings.willTopic.toUtf8();
    int code = will.isEmpty()
        ? MOSQ_ERR_SUCCESS
        : mosquitto_will_set(m_client, will.constData(), int(m_settings.willPayload.size()),
                             m_settings.willPayload.constData(), 1, true);
    if (code == MOSQ_ERR_SUCCESS && !m_settings.username.isEmpty()) {
        const QByteArray password = m_settings.password.toUtf8();
        code = mosquitto_username_pw_set(m_client, m_settings.username.toUtf8().constData(),
                                         password.isEmpty() ? nullptr : password.constData());
    }
    if (code == MOSQ_ERR_SUCCESS && !m_settings.caFile.isEmpty()) {
        // Verified against the CA file, the broker's name included; never insecure.
        code = mosquitto_tls_set(m_client, m_settings.caFile.toLocal8Bit().constData(), nullptr,
                                 nullptr, nullptr, nullptr);
        if (code != MOSQ_ERR_SUCCESS) {
            fail(Ending::TlsRefused, QStringLiteral("cannot use %1").arg(m_settings.caFile));
            return;
        }
        code = mosquitto_tls_insecure_set(m_client, false);
    }
    if (code == MOSQ_ERR_SUCCESS)
        code = mosquitto_connect_async(m_client, m_settings.host.toUtf8().constData(),
                                       m_settings.port, m_settings.keepAliveSeconds);
    check(code);
    if (m_report->isActive())
        return;
    m_misc->start();
    m_connectTimeout->start(ConnectTimeoutMs);
    service();
}

int MqttClient::publish(const QString &topic, const QByteArray &payload, int qos, bool retain)
{
    if (!m_connected || m_report->isActive())
        return -1;
    int messageId = -1;
    const int code = mosquitto_publish(m_client, &messageId, topic.toUtf8().constData(),
                                       int(payload.size()), payload.constData(), qos, retain);
    check(code);
    service();
    return code == MOSQ_ERR_SUCCESS ? messageId : -1;
}

bool MqttClient::subscribe(const QString &topic, int qos)
{
    if (!m_connected || m_report->isActive())
        return false;
    const int code = mosquitto_subscribe(m_client, nullptr, topic.toUtf8().constData(), qos);
    check(code);
    service();
    return code == MOSQ_ERR_SUCCESS;
}

void MqttClient::close()
{
    if (m_connected && !m_report->isActive()
        && mosquitto_disconnect(m_client) == MOSQ_ERR_SUCCESS) {
        service();
        return;
    }
    fail(Ending::Closed, QString());
}

void MqttClient::service()
{
    if (!m_client || m_report->isActive())
        return;
    const int socket = mosquitto_socket(m_client);
    if (socket < 0) {
        fail(Ending::Lost, withoutStop(mosquitto_strerror(MOSQ_ERR_NO_CONN)));
        return;
    }
    if (!m_reader || m_reader->socket() != socket) {
        delete m_reader;
        delete m_writer;
        m_reader = new QSocketNotifier(socket, QSocketNotifier::Read, this);
        m_writer = new QSocketNotifier(socket, QSocketNotifier::Write, this);
        connect(m_reader, &QSocketNotifier::activated, this, [this](QSocketDescriptor socket) {
            if (connectionWorks(socket))
                check(mosquitto_loop_read(m_client, 1));
            service();
        });
        connect(m_writer, &QSocketNotifier::activated, this, [this](QSocketDescriptor socket) {
            if (connectionWorks(socket))
                check(mosquitto_loop_write(m_client, 1));
            service();
        });
    }
    m_writer->setEnabled(mosquitto_want_write(m_client));
}

bool MqttClient::connectionWorks(int socket)
{
    if (m_connected)
        return true;
    int error = 0;
    socklen_t size = sizeof error;
    sockaddr_storage peer {};
    socklen_t peerSize = sizeof peer;
    char byte = 0;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error != 0)
        fail(Ending::Lost, QString::fromLocal8Bit(std::strerror(error)));
    else if (::getpeername(socket, reinterpret_cast<sockaddr *>(&peer), &peerSize) != 0)
        fail(Ending::Lost, QStringLiteral("the connection was refused or reset"));
    else if (::recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0)
        fail(Ending::Lost, QStringLiteral("the broker closed the connection"));
    else
        return true;
    return false;
}

void MqttClient::check(int code)
{
    if (code == MOSQ_ERR_SUCCESS)
        return;
    const int error = errno;
    QString reason;
    if (code == MOSQ_ERR_ERRNO)
        reason = QString::fromLocal8Bit(std::strerror(error));
    else if (code == MOSQ_ERR_TLS && !m_lastError.isEmpty())
        reason = m_lastError;
    else
        reason = withoutStop(mosquitto_strerror(code));
    // A TLS error within a session is a lost connection, not a refused broker.
    fail(m_connected && code == MOSQ_ERR_TLS ? Ending::Lost : endingFor(code), reason);
}

void MqttClient::fail(Ending ending, const QString &reason)
{
    if (m_report->isActive())
        return;
    m_ending = ending;
    m_reason = reason;
    m_connected = false;
    if (m_reader) {
        m_reader->setEnabled(false);
        m_writer->setEnabled(false);
    }
    m_report->start();
}

void MqttClient::drop()
{
    m_report->stop();
    m_misc->stop();
    m_connectTimeout->stop();
    delete m_reader;
    delete m_writer;
    m_reader = m_writer = nullptr;
    if (m_client)
        mosquitto_destroy(m_client);
    m_client = nullptr;
    m_connected = false;
}

} // namespace dewscope
