#pragma once

#include "memory/MemorySets.h"
#include "meter/Reading.h"
#include "meter/ReadingTexts.h"

#include <QByteArray>
#include <QString>

namespace dewscope {

// The records of one set of a memory image as Data List rows: number within the set, time
// counted from the memory's start time by the sampling interval (the time of day wraps after
// 23:59:59), then the seven display texts. Each record is decoded with the live decoders into
// a reading, as a live frame is.
//
// Records that would lie past the end of the image are never read: available() counts those
// that are whole, missing() the rest.
class SetRecords
{
public:
    SetRecords(const QByteArray &image, const MemorySets &sets, int setNumber);

    int count() const { return m_count; }
    int available() const { return m_available; }
    int missing() const { return m_count - m_available; }
    // False when the start time is no time of day: the rows then carry no time.
    bool hasTimes() const { return m_startSeconds >= 0; }

    // Record i (1 .. available()): decoded into the reading and its texts, returned as the row's
    // nine TAB-joined cells.
    QString row(int i, Reading &reading, ReadingTexts &texts) const;
    // The time cell of record i.
    QString time(int i) const;

private:
    QByteArray m_image;
    qint64 m_first = 0; // 0-based offset of the first record
    int m_count = 0;
    int m_available = 0;
    int m_interval = 0;
    int m_startSeconds = -1;
};

} // namespace dewscope
