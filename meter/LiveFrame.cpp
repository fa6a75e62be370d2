#include "meter/LiveFrame.h"

#include "meter/Decoder.h"
#include "meter/Psychrometrics.h"

namespace dewscope::LiveFrame {

Kind classify(const QByteArray &bytes)
{
    if (bytes.size() < Length)
        return Kind::Invalid;
    bool allFF = true;
    for (int i = 0; i < Length; ++i)
        allFF = allFF && static_cast<quint8>(bytes.at(i)) == 0xFF;
    if (allFF)
        return Kind::DownloadAnnouncement;
    if (bytes.at(0) == Start && bytes.at(5) == End)
        return Kind::Reading;
    return Kind::Invalid;
}

int afterAnnouncement(const QByteArray &bytes)
{
    static const QByteArray announcement(Length, '\xFF');
    const qsizetype at = bytes.indexOf(announcement);
    return at < 0 ? -1 : int(at) + Length;
}

void decode(Reading &reading, const QByteArray &bytes)
{
    decodeTemperature(reading, static_cast<quint8>(bytes.at(1)), static_cast<quint8>(bytes.at(2)));
    decodeHumidity(reading, static_cast<quint8>(bytes.at(3)), static_cast<quint8>(bytes.at(4)));
    computeDewWet(reading, reading.tempC.value(), reading.rh.value());
}

} // namespace dewscope::LiveFrame
