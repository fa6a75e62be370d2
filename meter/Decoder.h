#pragma once

#include "meter/Reading.h"

#include <QtGlobal>

namespace dewscope {

// Decoding of the meter's two-byte values (temperature and humidity bytes of a live frame or
// of a memory record). High byte: bit 7 over range, bit 6 negative, bits 5-0 high part of the
// magnitude in tenths.
void decodeTemperature(Reading &reading, quint8 high, quint8 low);
void decodeHumidity(Reading &reading, quint8 high, quint8 low);

} // namespace dewscope
