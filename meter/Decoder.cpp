#include "meter/Decoder.h"

namespace dewscope {

namespace {
constexpr quint8 OverRangeBit = 0x80;
constexpr quint8 NegativeBit = 0x40;
} // namespace

void decodeTemperature(Reading &reading, quint8 high, quint8 low)
{
    reading.tempNegative = (high & NegativeBit) != 0;
    reading.tempOverload = (high & OverRangeBit) != 0;
    if (reading.tempOverload) {
        reading.tempC = MeterValue::overload(reading.tempNegative);
        reading.tempF = reading.tempC;
        return;
    }
    double tempC = (high * 256 + low) / 10.0;
    if (reading.tempNegative)
        tempC = -((high - 64) * 256 + low) / 10.0;
    reading.tempC = MeterValue::number(tempC);
    reading.tempF = MeterValue::number(tempC * 1.8 + 32);
}

void decodeHumidity(Reading &reading, quint8 high, quint8 low)
{
    reading.rhNegative = (high & NegativeBit) != 0;
    reading.rhOverload = (high & OverRangeBit) != 0;
    if (reading.rhOverload) {
        reading.rh = MeterValue::overload(reading.rhNegative);
        return;
    }
    double rh = (high * 256 + low) / 10.0;
    if (reading.rhNegative)
        rh = -((high - 64) * 256 + low) / 10.0;
    reading.rh = MeterValue::number(rh);
}

} // namespace dewscope
