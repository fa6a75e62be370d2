#include "memory/MemoryTransfer.h"

#include "memory/MemoryImage.h"
#include "meter/DisplayFormat.h"
#include "meter/MeterLink.h"

namespace dewscope {

MemoryTransfer::MemoryTransfer(MeterLink *link, MemoryImage *image, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_image(image)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    m_stall.setSingleShot(true);
    m_stall.setInterval(DefaultStallLimitMs);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        m_phase = Phase::Receiving;
        m_stall.start();
        takeBlock();
    });
    connect(&m_stall, &QTimer::timeout, this, [this] { finish(false); });
    if (m_link)
        connect(m_link, &MeterLink::bytesArrived, this, [this] {
            if (m_phase == Phase::Receiving)
                takeBlock();
        });
}

bool MemoryTransfer::start()
{
    if (isRunning())
        return false;
    m_image->clear();
    m_expected = -1;
    m_phase = Phase::Settling;
    m_settle.start();
    return true;
}

qint64 MemoryTransfer::received() const
{
    return m_expected < 0 ? -1 : qMin<qint64>(m_image->size(), m_expected);
}

QString MemoryTransfer::progressCaption(qint64 received, qint64 expected)
{
    const double percent = expected > 0 ? 100.0 * double(received) / double(expected) : 0.0;
    return formatReading(percent) + QLatin1String("%") + QLatin1String(" Loaded");
}

QString MemoryTransfer::incompleteMessage() const
{
    if (m_expected < 0)
        return tr("The memory download is incomplete: the meter stopped after %1 bytes, before "
                  "the memory's size was known.")
            .arg(m_image->size());
    return tr("The memory download is incomplete: %1 of %2 bytes (%3) arrived before the meter "
              "stopped sending.")
        .arg(received())
        .arg(m_expected)
        .arg(progressCaption(received(), m_expected).section(QLatin1Char(' '), 0, 0));
}

void MemoryTransfer::takeBlock()
{
    const QByteArray block = m_link ? m_link->input() : QByteArray();
    if (block.isEmpty())
        return;
    m_stall.start();
    m_image->append(block);
    if (m_expected < 0 && m_image->readHeader())
        m_expected = MemoryImage::expectedLength(m_image->slotCount());
    if (m_expected < 0)
        return;
    Q_EMIT progress(progressCaption(received(), m_expected));
    if (received() == m_expected)
        finish(true);
}

void MemoryTransfer::finish(bool complete)
{
    m_phase = Phase::Idle;
    m_settle.stop();
    m_stall.stop();
    Q_EMIT finished(complete);
}

} // namespace dewscope
