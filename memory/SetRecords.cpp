#include "memory/SetRecords.h"

#include "meter/Decoder.h"
#include "meter/Psychrometrics.h"
#include "recording/DataFile.h"

#include <QTime>

namespace dewscope {

SetRecords::SetRecords(const QByteArray &image, const MemorySets &sets, int setNumber)
    : m_image(image)
    , m_interval(sets.samplingSeconds)
{
    if (!sets.isSetNumber(setNumber))
        return;
    m_first = sets.firstRecordOffset(setNumber);
    m_count = qMax(0, sets.recordCount(setNumber));
    const qint64 whole = qMax<qint64>(0, (image.size() - m_first) / 4);
    m_available = int(qMin<qint64>(m_count, whole));
    const QTime start = QTime::fromString(sets.startTime, QStringLiteral("HH:mm:ss"));
    if (start.isValid())
        m_startSeconds = start.msecsSinceStartOfDay() / 1000;
}

QString SetRecords::time(int i) const
{
    if (m_startSeconds < 0)
        return QString();
    const qint64 seconds = (m_startSeconds + qint64(i - 1) * m_interval) % 86400;
    return QTime::fromMSecsSinceStartOfDay(int(seconds) * 1000)
        .toString(QStringLiteral("HH:mm:ss"));
}

QString SetRecords::row(int i, Reading &reading, ReadingTexts &texts) const
{
    if (i < 1 || i > m_available)
        return QString();
    const auto *bytes
        = reinterpret_cast<const quint8 *>(m_image.constData() + m_first + 4 * (i - 1));
    decodeTemperature(reading, bytes[0], bytes[1]);
    decodeHumidity(reading, bytes[2], bytes[3]);
    computeDewWet(reading, reading.tempC.value(), reading.rh.value());
    texts = ReadingTexts::fromReading(reading);
    return QString::number(i) + QLatin1Char('\t') + DataFile::timeAndValues(time(i), texts);
}

} // namespace dewscope
