#include "meter/SimulatedMeter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#ifdef Q_OS_MACOS
#include <util.h>
#else
#include <pty.h>
#endif
#include <termios.h>
#include <unistd.h>

namespace dewscope {

namespace {

constexpr quint8 OverRangeBit = 0x80;
constexpr quint8 NegativeBit = 0x40;
// A download goes out in 50 ms slices.
constexpr int DownloadSliceMs = 50;
// Bytes queued for a reader that does not read are kept up to this amount, then dropped.
constexpr int QueueLimit = 1 << 20;

// The two bytes of one value: tenths, bit 6 for negative, bit 7 for a value the meter cannot
// show (not finite, or beyond its 14 bits).
QByteArray encodeValue(double value)
{
    QByteArray bytes(2, '\0');
    if (!std::isfinite(value)) {
        bytes[0] = static_cast<char>(OverRangeBit | (value < 0 ? NegativeBit : 0));
        return bytes;
    }
    const long long tenths = std::llround(std::fabs(value) * 10.0);
    if (tenths > 0x3FFF) {
        bytes[0] = static_cast<char>(OverRangeBit | (value < 0 ? NegativeBit : 0));
        return bytes;
    }
    const bool negative = value < 0 && tenths > 0;
    bytes[0] = static_cast<char>((negative ? NegativeBit : 0) | ((tenths >> 8) & 0x3F));
    bytes[1] = static_cast<char>(tenths & 0xFF);
    return bytes;
}

quint8 bcd(int value)
{
    return static_cast<quint8>(((value / 10) << 4) | (value % 10));
}

double roundTenths(double value)
{
    return std::round(value * 10.0) / 10.0;
}

} // namespace

class SimulatedMeter::Private
{
public:
    SimulatedMeter *q;
    int master = -1;
    int slave = -1; // held open so the program can close and reopen its side
    QString slavePath;
    QString linkPath;
    QSocketNotifier *writable = nullptr;
    QTimer frameTimer;
    QTimer downloadTimer;
    QByteArray queue; // bytes written when the pseudo-terminal takes them
    QByteArray download; // the rest of a download, paced out in slices
    QElapsedTimer downloadClock; // from the announcement
    qint64 downloadPaced = 0; // bytes of the image sent since the announcement, by the pace
    int downloadAlong = 0;
    int downloadRate = 960;
    double baseTemp = 25.0;
    double baseRh = 50.0;
    double temp = 25.0;
    double rh = 50.0;
    bool drift = true;
    bool tempOver = false;
    bool tempNegative = false;
    bool rhOver = false;
    bool rhNegative = false;
    bool silent = false;
    bool opened = false;
    bool announcementDue = false; // a download waits for the next frame's turn
    QRandomGenerator random { 20260101u };

    explicit Private(SimulatedMeter *meter)
        : q(meter)
    {
        frameTimer.setInterval(500);
        downloadTimer.setInterval(DownloadSliceMs);
    }

    bool openPty(QString *error)
    {
        int m = -1;
        int s = -1;
        char name[256] = {};
        if (::openpty(&m, &s, name, nullptr, nullptr) != 0) {
            if (error)
                *error = QStringLiteral("cannot open a pseudo-terminal: %1")
                             .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        termios attributes {};
        for (int fd : { m, s }) {
            if (::tcgetattr(fd, &attributes) == 0) {
                ::cfmakeraw(&attributes);
                ::cfsetispeed(&attributes, B9600);
                ::cfsetospeed(&attributes, B9600);
                ::tcsetattr(fd, TCSANOW, &attributes);
            }
        }
        ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
        ::fcntl(m, F_SETFD, FD_CLOEXEC);
        ::fcntl(s, F_SETFD, FD_CLOEXEC);
        master = m;
        slave = s;
        slavePath = QString::fromLocal8Bit(name);
        writable = new QSocketNotifier(master, QSocketNotifier::Write, q);
        writable->setEnabled(false);
        QObject::connect(writable, &QSocketNotifier::activated, q, [this] { flushQueue(); });
        if (!linkPath.isEmpty()) {
            QFile::remove(linkPath);
            if (!QFile::link(slavePath, linkPath)) {
                if (error)
                    *error = QStringLiteral("cannot make the link %1").arg(linkPath);
                closePty();
                return false;
            }
        }
        return true;
    }

    void closePty()
    {
        delete writable;
        writable = nullptr;
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
        master = slave = -1;
        queue.clear();
        if (!linkPath.isEmpty())
            QFile::remove(linkPath);
    }

    void send(const QByteArray &bytes)
    {
        if (master < 0)
            return;
        if (queue.size() + bytes.size() > QueueLimit)
            return;
        queue.append(bytes);
        flushQueue();
    }

    void flushQueue()
    {
        while (master >= 0 && !queue.isEmpty()) {
            const ssize_t written = ::write(master, queue.constData(), queue.size());
            if (written > 0) {
                queue.remove(0, written);
                continue;
            }
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (writable)
                    writable->setEnabled(true);
                return;
            }
            queue.clear(); // the pseudo-terminal is gone
            break;
        }
        if (writable)
            writable->setEnabled(false);
    }

    void walk()
    {
        if (!drift)
            return;
        // Steps of one tenth, now and then, held near the chosen values.
        const int tempStep = static_cast<int>(random.bounded(5)) - 2; // -2..2, mostly still
        const int rhStep = static_cast<int>(random.bounded(5)) - 2;
        if (qAbs(tempStep) == 1)
            temp = roundTenths(qBound(baseTemp - 2.0, temp + tempStep * 0.1, baseTemp + 2.0));
        if (qAbs(rhStep) == 1)
            rh = roundTenths(
                qBound(qMax(0.0, baseRh - 5.0), rh + rhStep * 0.1, qMin(100.0, baseRh + 5.0)));
    }

    QByteArray nextFrame()
    {
        walk();
        QByteArray frame = SimulatedMeter::encodeFrame(temp, rh);
        if (tempOver) {
            frame[1] = static_cast<char>(OverRangeBit | (tempNegative ? NegativeBit : 0));
            frame[2] = 0;
        }
        if (rhOver) {
            frame[3] = static_cast<char>(OverRangeBit | (rhNegative ? NegativeBit : 0));
            frame[4] = 0;
        }
        return frame;
    }

    void frameDue()
    {
        // The announcement takes the place of a live frame, then the image follows.
        if (announcementDue && master >= 0) {
            announcementDue = false;
            send(QByteArray(6, '\xFF') + download.left(downloadAlong));
            download.remove(0, qMin<qsizetype>(downloadAlong, download.size()));
            downloadClock.start();
            downloadPaced = 0;
            downloadTimer.start();
            return;
        }
        // A busy line (a reader that does not keep up) loses frames, as a real meter's would.
        if (silent || downloadTimer.isActive() || master < 0 || !queue.isEmpty())
            return;
        const QByteArray frame = nextFrame();
        send(frame);
        Q_EMIT q->frameSent(frame);
    }

    void downloadSlice()
    {
        if (master < 0)
            return;
        if (!queue.isEmpty())
            return; // the reader lags; keep the pace of the line
        const qint64 due = downloadClock.elapsed() * downloadRate / 1000 - downloadPaced;
        if (due > 0 && !download.isEmpty()) {
            const qsizetype count = qMin<qsizetype>(due, download.size());
            send(download.left(count));
            download.remove(0, count);
            downloadPaced += count;
        }
        if (download.isEmpty()) {
            downloadTimer.stop();
            Q_EMIT q->downloadSent();
        }
    }
};

SimulatedMeter::SimulatedMeter(QObject *parent)
    : QObject(parent)
    , d(new Private(this))
{
    connect(&d->frameTimer, &QTimer::timeout, this, [this] { d->frameDue(); });
    connect(&d->downloadTimer, &QTimer::timeout, this, [this] { d->downloadSlice(); });
}

SimulatedMeter::~SimulatedMeter()
{
    close();
    delete d;
}

bool SimulatedMeter::open(QString *error)
{
    if (d->opened)
        return true;
    if (!d->openPty(error))
        return false;
    d->opened = true;
    d->frameTimer.start();
    return true;
}

void SimulatedMeter::close()
{
    d->frameTimer.stop();
    d->downloadTimer.stop();
    d->download.clear();
    d->announcementDue = false;
    d->closePty();
    d->opened = false;
}

bool SimulatedMeter::isOpen() const
{
    return d->opened;
}

QString SimulatedMeter::path() const
{
    return d->slavePath;
}

void SimulatedMeter::setLinkPath(const QString &linkPath)
{
    if (!d->linkPath.isEmpty() && d->master >= 0)
        QFile::remove(d->linkPath);
    d->linkPath = linkPath;
    if (!linkPath.isEmpty() && d->master >= 0) {
        QFile::remove(linkPath);
        QFile::link(d->slavePath, linkPath);
    }
}

QString SimulatedMeter::linkPath() const
{
    return d->linkPath;
}

void SimulatedMeter::unplug()
{
    d->closePty();
}

bool SimulatedMeter::replug(QString *error)
{
    if (!d->opened)
        return open(error);
    if (d->master >= 0)
        return true;
    return d->openPty(error);
}

bool SimulatedMeter::isPlugged() const
{
    return d->master >= 0;
}

void SimulatedMeter::setSeed(quint32 seed)
{
    d->random.seed(seed);
}

void SimulatedMeter::setFrameInterval(int milliseconds)
{
    d->frameTimer.setInterval(qMax(1, milliseconds));
}

int SimulatedMeter::frameInterval() const
{
    return d->frameTimer.interval();
}

void SimulatedMeter::setValues(double tempC, double rh)
{
    d->baseTemp = d->temp = roundTenths(tempC);
    d->baseRh = d->rh = roundTenths(rh);
}

double SimulatedMeter::temperature() const
{
    return d->temp;
}

double SimulatedMeter::humidity() const
{
    return d->rh;
}

void SimulatedMeter::setDrift(bool drift)
{
    d->drift = drift;
    if (!drift) {
        d->temp = d->baseTemp;
        d->rh = d->baseRh;
    }
}

void SimulatedMeter::setTemperatureOverRange(bool overRange, bool negative)
{
    d->tempOver = overRange;
    d->tempNegative = negative;
}

void SimulatedMeter::setHumidityOverRange(bool overRange, bool negative)
{
    d->rhOver = overRange;
    d->rhNegative = negative;
}

void SimulatedMeter::setSilent(bool silent)
{
    d->silent = silent;
}

bool SimulatedMeter::isSilent() const
{
    return d->silent;
}

void SimulatedMeter::sendRaw(const QByteArray &bytes)
{
    d->send(bytes);
}

void SimulatedMeter::sendDownload(const QByteArray &image, int along, int bytesPerSecond)
{
    d->download = image;
    d->downloadAlong = qMax(0, along);
    d->downloadRate = qMax(1, bytesPerSecond);
    d->announcementDue = true;
}

bool SimulatedMeter::isSendingDownload() const
{
    return d->announcementDue || d->downloadTimer.isActive();
}

QByteArray SimulatedMeter::encodeFrame(double tempC, double rh)
{
    QByteArray frame;
    frame.append('\x02');
    frame.append(encodeValues(tempC, rh));
    frame.append('\x03');
    return frame;
}

QByteArray SimulatedMeter::encodeValues(double tempC, double rh)
{
    return encodeValue(tempC) + encodeValue(rh);
}

QByteArray SimulatedMeter::makeMemoryImage(int sets, int recordsPerSet, QTime start,
                                           int intervalSeconds)
{
    const qint64 slotCount = qint64(qMax(0, sets)) * (qMax(0, recordsPerSet) + 1);
    if (sets < 0 || recordsPerSet < 0 || slotCount > 0xFFFF || !start.isValid()
        || intervalSeconds < 0 || intervalSeconds > 255)
        return QByteArray();

    const qint64 records = qint64(sets) * recordsPerSet;
    const QTime end = start.addSecs(records > 0 ? (records - 1) * intervalSeconds : 0);
    QByteArray image;
    image.reserve(static_cast<int>(11 + slotCount * 4));
    image.append('\0');
    for (const QTime &t : { start, end }) {
        image.append(static_cast<char>(bcd(t.hour())));
        image.append(static_cast<char>(bcd(t.minute())));
        image.append(static_cast<char>(bcd(t.second())));
    }
    image.append(static_cast<char>(intervalSeconds));
    image.append(static_cast<char>((slotCount >> 8) & 0xFF));
    image.append(static_cast<char>(slotCount & 0xFF));
    image.append('\0');

    // A room slowly warming and drying, with small steps: the same image for the same
    // arguments.
    QRandomGenerator random(quint32(sets * 7919 + recordsPerSet));
    double temp = 21.5;
    double rh = 48.0;
    for (int set = 0; set < sets; ++set) {
        for (int i = 0; i < recordsPerSet; ++i) {
            temp = roundTenths(qBound(15.0, temp + (int(random.bounded(5)) - 2) * 0.1, 30.0));
            rh = roundTenths(qBound(30.0, rh + (int(random.bounded(7)) - 3) * 0.1, 70.0));
            image.append(encodeValues(temp, rh));
        }
        image.append(QByteArray(4, '\xFF'));
    }
    return image;
}

} // namespace dewscope
