#pragma once

#include "meter/Reading.h"

#include <QByteArray>

namespace dewscope {

// The meter's six-byte live message: 02, temperature high and low, humidity high and low, 03.
// Six bytes FF announce a memory download instead.
namespace LiveFrame {

constexpr int Length = 6;
constexpr char Start = 0x02;
constexpr char End = 0x03;

enum class Kind { Reading, DownloadAnnouncement, Invalid };

// Looks at the first six bytes only; fewer than six is Invalid.
Kind classify(const QByteArray &bytes);

// Where the bytes after the first run of six FF (the download announcement) begin, wherever it
// lies in bytes; -1 when there is none.
int afterAnnouncement(const QByteArray &bytes);

// Decodes a frame of Kind::Reading into the reading: temperature, humidity, then dew point and
// wet bulb, with every rule of the decoders and psychrometrics.
void decode(Reading &reading, const QByteArray &bytes);

} // namespace LiveFrame
} // namespace dewscope
