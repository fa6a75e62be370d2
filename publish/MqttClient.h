#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;
struct mosquitto;

namespace dewscope {

// One connection to an MQTT broker at a time, over libmosquitto, driven from Qt's event loop:
// socket notifiers call the library's read and write steps, a one-second timer its keep-alive
// and retry step. Every open() starts a fresh library client, so nothing of an earlier
// connection is sent again behind the caller's back: what was not acknowledged is the caller's
// to send again. The client never reconnects by itself.
class MqttClient : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        QString host;
        int port = 1883;
        QString clientId;
        QString username; // empty: none
        QString password; // sent only with a user name
        QString caFile; // not empty: TLS, the broker's certificate and name checked against it
        int keepAliveSeconds = 30;
        QString willTopic; // the last will, QoS 1 and retained; empty: none
        QByteArray willPayload;
    };

    // No CONNACK within this time: the attempt has failed (a broker behind a dead route).
    static constexpr int ConnectTimeoutMs = 15000;

    // Why a connection ended. Refused credentials and a failed TLS handshake (a broker that
    // fails the certificate check) are not worth retrying.
    enum class Ending { Lost, Closed, CredentialsRefused, TlsRefused };
    Q_ENUM(Ending)

    explicit MqttClient(const Settings &settings, QObject *parent = nullptr);
    ~MqttClient() override;

    const Settings &settings() const { return m_settings; }
    bool isConnected() const { return m_connected; }
    bool isOpen() const { return m_client != nullptr; }

    // Starts a connection attempt (any earlier connection is dropped first); connected() or
    // disconnected() follows, never from within this call.
    void open();
    // Hands a message to the library; its id, or -1 when not connected or refused.
    int publish(const QString &topic, const QByteArray &payload, int qos, bool retain);
    // Asks for the messages of a topic filter while connected; false when not connected.
    bool subscribe(const QString &topic, int qos);
    // Sends DISCONNECT; disconnected(Closed) follows.
    void close();

Q_SIGNALS:
    void connected();
    // A QoS 1 message was acknowledged by the broker, a QoS 0 one written to the network.
    void published(int messageId);
    // A message on a subscribed topic.
    void messageReceived(const QString &topic, const QByteArray &payload);
    void disconnected(dewscope::MqttClient::Ending ending, const QString &reason);

private:
    // Follows the library's socket and whether it has bytes to write.
    void service();
    // Before the broker's CONNACK: false (and the connection ended) when the socket tells that
    // the connection failed or the broker closed it. The library's TLS handshake would take
    // such a socket for one still connecting and try again as fast as it is called.
    bool connectionWorks(int socket);
    // A step of the library returned code: anything but success ends the connection.
    void check(int code);
    // Ends the connection; disconnected() is emitted from the event loop, never from within
    // the library's callbacks.
    void fail(Ending ending, const QString &reason);
    void drop();

    Settings m_settings;
    mosquitto *m_client = nullptr;
    QSocketNotifier *m_reader = nullptr;
    QSocketNotifier *m_writer = nullptr;
    QTimer *m_misc = nullptr;
    QTimer *m_connectTimeout = nullptr;
    QTimer *m_report = nullptr; // runs while an ending waits to be reported
    bool m_connected = false;
    Ending m_ending = Ending::Lost;
    QString m_reason;
    QString m_lastError; // the library's last error message (the TLS layer's reason)
};

} // namespace dewscope
