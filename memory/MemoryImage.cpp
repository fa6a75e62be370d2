#include "memory/MemoryImage.h"

#include <cmath>

namespace dewscope {

namespace {
int byteAt(const QByteArray &image, int offset)
{
    return static_cast<quint8>(image.at(offset));
}
} // namespace

void MemoryImage::clear()
{
    m_bytes.clear();
    m_slotCount = 0;
    m_samplingSeconds = 0;
}

bool MemoryImage::readHeader()
{
    if (m_bytes.size() < HeaderBytesNeeded)
        return false;
    m_slotCount = byteAt(m_bytes, 8) * 256 + byteAt(m_bytes, 9);
    m_samplingSeconds = byteAt(m_bytes, 7);
    return true;
}

MemoryImage::Fault MemoryImage::updateSets()
{
    MemorySets sets;
    const Fault fault = computeSets(m_bytes, &sets);
    if (fault == Fault::None) {
        m_sets = sets;
        m_setsBytes = m_bytes;
    } else {
        m_bytes = m_setsBytes;
    }
    return fault;
}

QString MemoryImage::bcdTime(const QByteArray &image, int offset)
{
    QString text;
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            text += QLatin1Char(':');
        text += QStringLiteral("%1")
                    .arg(byteAt(image, offset + i), 2, 16, QLatin1Char('0'))
                    .toUpper();
    }
    return text;
}

MemoryImage::Fault MemoryImage::computeSets(const QByteArray &image, MemorySets *sets)
{
    if (image.size() < HeaderLength)
        return Fault::ShortHeader;
    MemorySets result;
    result.startTime = bcdTime(image, 1);
    result.endTime = bcdTime(image, 4);
    result.samplingSeconds = byteAt(image, 7);
    result.slotCount = byteAt(image, 8) * 256 + byteAt(image, 9);
    if (result.slotCount == 0) {
        *sets = result;
        return Fault::None;
    }
    // The first p (1-based) whose following four bytes are all FF: p is the 0-based offset.
    const qsizetype p = image.indexOf(QByteArrayView("\xFF\xFF\xFF\xFF", 4), 1);
    if (p < 0)
        return Fault::NoMarker;
    // Halves go to the even neighbour (the default rounding mode).
    const double records = std::nearbyint(double(p - HeaderLength) / SlotLength);
    if (records < 1)
        return Fault::NoRecords;

    result.setRecordCount = int(records);
    const int perSet = result.setRecordCount + 1;
    const int remainder = result.slotCount % perSet;
    result.setCount = result.slotCount / perSet + (remainder > 1 ? 1 : 0);
    *sets = result;
    return Fault::None;
}

QString MemoryImage::faultTitle()
{
    return QStringLiteral("Warning! Operation error!");
}

QString MemoryImage::faultAdvice()
{
    return QStringLiteral("Please download try again!");
}

} // namespace dewscope
