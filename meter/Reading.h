#pragma once

#include "meter/MeterValue.h"

namespace dewscope {

// The live values of the meter, overwritten by every decoded message and by every record of a
// memory set being loaded. Values not rewritten by a message keep what they held.
struct Reading
{
    MeterValue tempC;
    MeterValue tempF;
    MeterValue rh;
    MeterValue dewC;
    MeterValue dewF;
    MeterValue wetC;
    MeterValue wetF;
    bool tempNegative = false;
    bool tempOverload = false;
    bool rhNegative = false;
    bool rhOverload = false;
};

} // namespace dewscope
