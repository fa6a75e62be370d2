#include "memory/MemoryTransfer.h"

#include "memory/MemoryImage.h"
#include "meter/DisplayFormat.h"
#include "meter/MeterLink.h"

namespace dewscope {

namespace {
// A second-after-the-last-read that comes this much late means this process was held up: the
// bytes that came meanwhile are read before the rate is judged.
constexpr int LateMs = 100;
} // namespace

MemoryTransfer::MemoryTransfer(MeterLink *link, MemoryImage *image, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_image(image)
{
    for (QTimer *timer : { &m_settle, &m_stall, &m_quiet, &m_limit }) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    m_settle.setInterval(SettleMs);
    m_stall.setInterval(DefaultStallLimitMs);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        m_phase = Phase::Receiving;
        if (!m_clock.isValid())
            m_stall.start();
        takeBlock();
    });
    connect(&m_stall, &QTimer::timeout, this, [this] { finish(End::MeterStopped); });
    connect(&m_quiet, &QTimer::timeout, this, &MemoryTransfer::quietSecond);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        takeBlock();
        if (isRunning())
            finish(End::TooSlow);
    });
    if (m_link) {
        connect(m_link, &MeterLink::bytesArrived, this, [this] {
            if (m_phase == Phase::Receiving)
                takeBlock();
        });
        connect(m_link, &MeterLink::portLost, this, [this] {
            if (isRunning())
                finish(End::PortLost);
        });
    }
}

bool MemoryTransfer::start(const QByteArray &imageStart)
{
    if (isRunning())
        return false;
    m_image->clear();
    m_expected = -1;
    m_reads.clear();
    m_clock.invalidate();
    m_end = End::Complete;
    m_phase = Phase::Settling;
    append(imageStart);
    m_settle.start();
    return true;
}

void MemoryTransfer::stop()
{
    if (!isRunning())
        return;
    takeBlock();
    if (isRunning())
        finish(End::StoppedByUser);
}

qint64 MemoryTransfer::received() const
{
    return m_expected < 0 ? -1 : qMin<qint64>(m_image->size(), m_expected);
}

qint64 MemoryTransfer::timeLimitMs(qint64 expectedLength)
{
    return expectedLength * 1000 * 3 / (2 * LineBytesPerSecond) + 5000;
}

QString MemoryTransfer::progressCaption(qint64 received, qint64 expected)
{
    const double percent = expected > 0 ? 100.0 * double(received) / double(expected) : 0.0;
    return formatReading(percent) + QLatin1String("%") + QLatin1String(" Loaded");
}

QString MemoryTransfer::incompleteMessage() const
{
    const QString cause = m_end == End::StoppedByUser ? tr("you stopped it")
        : m_end == End::PortLost                      ? tr("the port closed")
                                                      : tr("the meter stopped sending");
    if (m_expected < 0)
        return tr("The memory download is incomplete: %1 of the %2 bytes that give the memory's "
                  "size arrived before %3.")
            .arg(m_image->size())
            .arg(MemoryImage::HeaderBytesNeeded)
            .arg(cause);
    const QString share = progressCaption(received(), m_expected).section(QLatin1Char(' '), 0, 0);
    QString text = m_end == End::TooSlow
        ? tr("The memory download is incomplete: %1 of %2 bytes (%3) arrived in the %4 s that a "
             "memory of %2 bytes may take.")
              .arg(received())
              .arg(m_expected)
              .arg(share)
              .arg(qRound(timeLimitMs(m_expected) / 1000.0))
        : tr("The memory download is incomplete: %1 of %2 bytes (%3) arrived before %4.")
              .arg(received())
              .arg(m_expected)
              .arg(share, cause);
    MemorySets sets;
    const int whole = MemoryImage::computeSets(m_image->bytes(), &sets) == MemoryImage::Fault::None
        ? sets.wholeSets(m_image->size())
        : 0;
    return text + QLatin1Char(' ')
        + (whole > 0 ? tr("%1 of the %2 sets arrived whole.").arg(whole).arg(sets.setCount)
                     : tr("No set arrived whole."));
}

void MemoryTransfer::takeBlock()
{
    const QByteArray block = m_link ? m_link->input() : QByteArray();
    append(block);
    if (m_phase != Phase::Receiving)
        return;
    if (m_expected >= 0 && received() == m_expected)
        finish(End::Complete);
    else if (!block.isEmpty())
        judgeRate();
}

void MemoryTransfer::append(const QByteArray &block)
{
    if (block.isEmpty())
        return;
    if (!m_clock.isValid()) {
        m_clock.start();
        m_stall.stop();
    }
    m_image->append(block);
    const qint64 now = m_clock.elapsed();
    m_reads.append({ now, m_image->size() });
    // Only the last read before the window and those in it are ever looked at again.
    while (m_reads.size() > 1 && m_reads.at(1).first <= now - RateWindowMs)
        m_reads.removeFirst();
    m_lateChecked = false;
    m_quiet.start(RateWindowMs);
    if (m_expected < 0 && m_image->readHeader()) {
        m_expected = MemoryImage::expectedLength(m_image->slotCount());
        m_limit.start(int(qMax<qint64>(1, timeLimitMs(m_expected) - now)));
    }
    if (m_expected >= 0 && m_image->size() > m_expected) // live frames after the image
        m_image->setBytes(m_image->bytes().left(m_expected));
    if (m_expected >= 0)
        Q_EMIT progress(progressCaption(received(), m_expected));
}

void MemoryTransfer::judgeRate()
{
    const qint64 now = m_clock.elapsed();
    if (m_phase != Phase::Receiving || now < RateWindowMs)
        return;
    qint64 before = 0; // the image size after the last read before the second
    for (const QPair<qint64, qint64> &read : std::as_const(m_reads)) {
        if (read.first <= now - RateWindowMs)
            before = read.second;
    }
    if (m_image->size() - before >= RateWindowLeastBytes)
        return;
    m_image->setBytes(m_image->bytes().left(before));
    finish(End::MeterStopped);
}

void MemoryTransfer::quietSecond()
{
    if (m_phase != Phase::Receiving)
        return;
    const qint64 late = m_clock.elapsed() - m_reads.constLast().first - RateWindowMs;
    if (late > LateMs && !m_lateChecked) {
        m_lateChecked = true;
        m_quiet.start(LateMs);
        return;
    }
    takeBlock();
    judgeRate();
}

void MemoryTransfer::finish(End end)
{
    m_phase = Phase::Idle;
    m_end = end;
    for (QTimer *timer : { &m_settle, &m_stall, &m_quiet, &m_limit })
        timer->stop();
    Q_EMIT finished(end == End::Complete);
}

} // namespace dewscope
