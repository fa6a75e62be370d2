#pragma once

#include "memory/MemorySets.h"

#include <QByteArray>
#include <QString>

namespace dewscope {

// The bytes of the last memory download, in arrival order from the first byte after the
// announcement, and the values derived from them.
//
// Layout (byte positions from 1): 1 unused; 2-4 start time and 5-7 end time, hours, minutes,
// seconds in BCD; 8 sampling interval in seconds; 9-10 slot count, high byte first; 11 unused;
// then 4-byte slots, each a record (temperature and humidity bytes as in a live frame) or an
// end-of-set marker FF FF FF FF.
class MemoryImage
{
public:
    static constexpr int HeaderLength = 11;
    // The transfer reads the slot count and interval once this many bytes are in: bytes 9 and 10.
    static constexpr int HeaderBytesNeeded = 10;
    static constexpr int SlotLength = 4;

    enum class Fault {
        None,
        ShortHeader, // fewer than 11 bytes
        NoMarker, // no FF FF FF FF after the first byte
        NoRecords // the first marker leaves no records for a set (right after the header)
    };

    const QByteArray &bytes() const { return m_bytes; }
    int size() const { return int(m_bytes.size()); }
    void clear();
    void append(const QByteArray &block) { m_bytes.append(block); }
    void setBytes(const QByteArray &bytes) { m_bytes = bytes; }

    // MemorySlotCount and MemorySamplingSeconds as the transfer read them from the header.
    int slotCount() const { return m_slotCount; }
    int samplingSeconds() const { return m_samplingSeconds; }
    // Reads them from the header; false while fewer than HeaderBytesNeeded bytes are in.
    bool readHeader();
    // The whole image: the header and slotCount slots.
    static qint64 expectedLength(int slotCount) { return qint64(slotCount) * SlotLength + 11; }

    // The sets as last computed by updateSets().
    const MemorySets &sets() const { return m_sets; }
    // Computes the sets of the bytes. On a fault the former sets stay, and so do the bytes they
    // were computed from: a set is never read from bytes other than its own.
    Fault updateSets();

    // The derived values of an image. The search for the first marker looks at each byte
    // position from the second on. A slot count of 0 is an empty memory: no sets.
    static Fault computeSets(const QByteArray &image, MemorySets *sets);
    // Three BCD bytes from a 0-based offset as "hh:mm:ss": each byte in hexadecimal, two digits.
    static QString bcdTime(const QByteArray &image, int offset);
    // The lines of the message for an image whose sets cannot be computed.
    static QString faultTitle();
    static QString faultAdvice();

private:
    QByteArray m_bytes;
    QByteArray m_setsBytes; // the bytes m_sets were computed from
    MemorySets m_sets;
    int m_slotCount = 0;
    int m_samplingSeconds = 0;
};

} // namespace dewscope
