#include "meter/MeterLink.h"

#include "meter/PortMap.h"
#include "meter/SerialSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSerialPort>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace dewscope {

namespace {

// A pseudo-terminal (the simulated meter) has no line: it may refuse a baud rate or parity
// that a real port takes, and it does not matter there.
bool isPseudoTerminal(const QString &location)
{
    return QFileInfo(location).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
}

#ifdef Q_OS_UNIX
bool processRuns(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// Whether another program holds the port: a lock file naming a running process, or the device
// refusing a second open because it was taken for exclusive use.
bool heldByAnotherProgram(const QString &location)
{
    const QString lockPath = MeterLink::lockFilePath(location);
    qint64 pid = 0;
    QString host;
    QString application;
    if (!lockPath.isEmpty() && QLockFile(lockPath).getLockInfo(&pid, &host, &application)
        && processRuns(pid))
        return true;
    const int fd
        = ::open(QFile::encodeName(location).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == EBUSY;
}
#endif

} // namespace

QString MeterLink::lockFilePath(const QString &location)
{
#ifdef Q_OS_UNIX
    static const char *const folders[]
        = { "/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
            "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock" };
    for (const char *folder : folders) {
        const QFileInfo info(QString::fromLatin1(folder));
        if (info.isDir() && info.isReadable() && info.isWritable()) {
            QString name = location;
            if (name.startsWith(QLatin1String("/dev/")))
                name.remove(0, 5);
            name.replace(QLatin1Char('/'), QLatin1Char('_'));
            return info.filePath() + QLatin1String("/LCK..") + name;
        }
    }
#else
    Q_UNUSED(location)
#endif
    return QString();
}

MeterLink::MeterLink(PortMap *ports, QObject *parent)
    : QObject(parent)
    , m_ports(ports)
    , m_serial(new QSerialPort(this))
    , m_retryTimer(new QTimer(this))
{
    m_retryTimer->setInterval(ReopenIntervalMs);
    connect(m_serial, &QSerialPort::readyRead, this, [this] {
        takeWaitingBytes();
        Q_EMIT bytesArrived();
    });
    connect(m_serial, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { handleError(error); });
    connect(m_retryTimer, &QTimer::timeout, this, &MeterLink::retryLostPort);
}

MeterLink::~MeterLink()
{
    m_retryTimer->stop();
    if (m_serial->isOpen())
        m_serial->close();
}

void MeterLink::setCommPort(int number)
{
    m_commPort = number;
}

bool MeterLink::setSettings(const QString &settings)
{
    if (!SerialSettings::parse(settings))
        return false;
    m_settings = settings;
    return true;
}

int MeterLink::open()
{
    if (m_serial->isOpen())
        return PortAlreadyOpen;
    if (m_commPort < 1 || m_commPort > PortMap::PortCount) {
        m_errorString = tr("COM %1 is not a port number (1-16)").arg(m_commPort);
        return InvalidPortNumber;
    }
    const QString location = m_ports ? m_ports->location(m_commPort) : QString();
    if (location.isEmpty()) {
        m_errorString = tr("No serial port is behind COM %1").arg(m_commPort);
        return PortUnavailable;
    }
    // An explicit open ends any retrying of a lost port.
    m_retryTimer->stop();
    m_lost = false;
    return openLocation(location);
}

int MeterLink::openLocation(const QString &location)
{
    const std::optional<SerialSettings> settings = SerialSettings::parse(m_settings);
    if (!settings) {
        m_errorString = tr("Bad serial settings \"%1\"").arg(m_settings);
        return BadSettings;
    }
    m_location = location;
    m_pending.clear();
    m_serial->setPortName(location);
    if (!m_serial->open(QIODevice::ReadOnly)) {
        const QSerialPort::SerialPortError error = m_serial->error();
        m_errorString = m_serial->errorString();
        m_serial->clearError();
#ifdef Q_OS_UNIX
        if (error == QSerialPort::PermissionError && heldByAnotherProgram(location)) {
            m_errorString = tr("%1 is in use by another program").arg(location);
            return PortAlreadyOpen;
        }
#else
        // Windows refuses a port another program has open with access denied.
        if (error == QSerialPort::PermissionError) {
            m_errorString = tr("%1 is in use by another program").arg(location);
            return PortAlreadyOpen;
        }
#endif
        if (error == QSerialPort::PermissionError)
            m_errorString = tr("%1: not permitted to open it (%2)").arg(location, m_errorString);
        return PortUnavailable;
    }
    const bool applied = m_serial->setBaudRate(settings->baudRate)
        && m_serial->setParity(settings->parity) && m_serial->setDataBits(settings->dataBits)
        && m_serial->setStopBits(settings->stopBits)
        && m_serial->setFlowControl(QSerialPort::NoFlowControl);
    if (!applied) {
        m_errorString = m_serial->errorString();
        m_serial->clearError();
        if (!isPseudoTerminal(location)) {
            m_serial->close();
            return PortUnavailable;
        }
    } else {
        m_errorString.clear();
    }
    return NoError;
}

void MeterLink::close()
{
    m_retryTimer->stop();
    m_lost = false;
    if (m_serial->isOpen())
        m_serial->close();
    m_pending.clear();
}

bool MeterLink::isOpen() const
{
    return m_serial->isOpen();
}

void MeterLink::takeWaitingBytes()
{
    if (m_serial->isOpen() && m_serial->bytesAvailable() > 0)
        m_pending.append(m_serial->readAll());
}

QByteArray MeterLink::input()
{
    takeWaitingBytes();
    if (m_inputLen <= 0 || m_inputLen >= m_pending.size()) {
        QByteArray all;
        all.swap(m_pending);
        return all;
    }
    const QByteArray part = m_pending.left(m_inputLen);
    m_pending.remove(0, m_inputLen);
    return part;
}

int MeterLink::inBufferCount()
{
    takeWaitingBytes();
    return static_cast<int>(qMin<qsizetype>(m_pending.size(), INT_MAX));
}

void MeterLink::clearInBuffer()
{
    m_pending.clear();
    if (m_serial->isOpen()) {
        m_serial->clear(QSerialPort::Input);
        m_serial->clearError();
    }
}

void MeterLink::handleError(int error)
{
    // A read error on an open port means the device went away (unplugged adapter, closed
    // pseudo-terminal); the same holds when the device node itself has vanished.
    const bool gone = error == QSerialPort::ResourceError || error == QSerialPort::ReadError
        || (error != QSerialPort::NoError && error != QSerialPort::TimeoutError
            && m_serial->isOpen() && !QFileInfo::exists(m_location));
    if (!gone || !m_serial->isOpen())
        return;
    m_errorString = m_serial->errorString();
    // Close later: the port is still inside its own notification.
    QTimer::singleShot(0, this, [this] {
        if (!m_serial->isOpen())
            return;
        takeWaitingBytes();
        m_serial->close();
        m_serial->clearError();
        m_lost = true;
        m_retryTimer->start();
        Q_EMIT portLost();
    });
}

void MeterLink::retryLostPort()
{
    if (!m_lost || m_serial->isOpen()) {
        m_retryTimer->stop();
        return;
    }
    if (openLocation(m_location) != NoError)
        return;
    m_retryTimer->stop();
    m_lost = false;
    Q_EMIT portRestored();
}

} // namespace dewscope
