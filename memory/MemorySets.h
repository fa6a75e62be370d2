#pragma once

#include <QString>

namespace dewscope {

// What the panel shows of a memory image and what a set load needs: the first and last time
// stored, the sampling interval, the slot count of the header, the records per set (from the
// first end-of-set marker) and the number of sets.
struct MemorySets
{
    QString startTime; // MemoryStartTime, "hh:mm:ss" from the header's BCD bytes
    QString endTime; // MemoryEndTime
    int samplingSeconds = 0; // MemorySamplingSeconds
    int slotCount = 0; // MemorySlotCount (S)
    int setRecordCount = 0; // SetRecordCount (R)
    int setCount = 0; // SetCount

    // True for a set number 1 .. setCount.
    bool isSetNumber(qint64 number) const { return number >= 1 && number <= setCount; }
    // The records of set n: the last set (when it is not the first) holds what remains of the
    // slots, less its marker; every other set holds setRecordCount.
    int recordCount(int number) const;
    // The byte offset (0-based) of the set's first record: 11 + 4 (R + 1) (n - 1).
    qint64 firstRecordOffset(int number) const;
    // The sets whose records all lie within an image of that many bytes.
    int wholeSets(qint64 imageSize) const;
};

} // namespace dewscope
