#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;
class QTimer;

namespace dewscope {

class PortMap;

// The serial-port control the program reads the meter through. It only reads: nothing is ever
// written to the meter. The receive buffer fills in the background while the event loop runs.
//
// Operations mirror what the program relies on: the port number, the settings string, opening
// and closing (opening fails with an error number; 8005 means the port is already open), the
// input length, reading every waiting byte, and the count of waiting bytes.
//
// When the open port disappears (the meter is unplugged), the link closes it, reports portLost
// and keeps trying to reopen the same location; once it is back it reports portRestored, so a
// replugged meter comes back without a restart.
class MeterLink : public QObject
{
    Q_OBJECT

public:
    enum Error {
        NoError = 0,
        InvalidPortNumber = 8002,
        PortAlreadyOpen = 8005, // open here, or held by another program
        PortUnavailable = 8012, // missing, not a serial port, or not permitted
        BadSettings = 380
    };

    explicit MeterLink(PortMap *ports, QObject *parent = nullptr);
    ~MeterLink() override;

    // CommPort: the COM number (1-16), set while the port is closed.
    void setCommPort(int number);
    int commPort() const { return m_commPort; }

    // Settings: "baud,parity,data,stop", e.g. "9600,n,8,1". Returns false (and keeps the old
    // settings) when the text cannot be parsed.
    bool setSettings(const QString &settings);
    QString settings() const { return m_settings; }

    // PortOpen = true opens the port: returns NoError, PortAlreadyOpen or another error number.
    // A port that exists but is held by another program (its lock file names a running
    // process, or it was opened for exclusive use) gives PortAlreadyOpen, with errorString()
    // saying so; a port we are not permitted to open gives PortUnavailable with the reason.
    int open();
    void close();
    bool isOpen() const;
    // The system location of the port in use (or of the last one opened).
    QString location() const { return m_location; }
    QString errorString() const { return m_errorString; }
    // True between portLost and portRestored: the port went away and the link is retrying.
    bool isLost() const { return m_lost; }

    // The lock file that serial ports take on this system for a location (the same path the
    // serial-port library uses); empty when no lock folder is usable.
    static QString lockFilePath(const QString &location);

    // How often a lost port is tried again.
    static constexpr int ReopenIntervalMs = 500;

    // InputLen: bytes one read returns at most; 0 means all waiting bytes.
    void setInputLen(int length) { m_inputLen = length; }
    // Input: the waiting bytes, removed from the buffer; empty when none. Values 0-255 kept.
    QByteArray input();
    // InBufferCount: bytes waiting. clearInBuffer() (setting it to 0) discards them.
    int inBufferCount();
    void clearInBuffer();

Q_SIGNALS:
    void bytesArrived(); // the receive buffer grew
    void portLost(); // the open port went away; the link keeps trying to reopen it
    void portRestored(); // the same location opened again

private:
    int openLocation(const QString &location);
    void takeWaitingBytes();
    void handleError(int error);
    void retryLostPort();

    PortMap *m_ports;
    QSerialPort *m_serial = nullptr;
    int m_commPort = 0;
    QString m_settings = QStringLiteral("9600,n,8,1");
    QString m_location;
    QString m_errorString;
    int m_inputLen = 0;
    QByteArray m_pending; // bytes read from the port but not yet taken
    QTimer *m_retryTimer = nullptr; // reopens a lost port
    bool m_lost = false;
};

} // namespace dewscope
