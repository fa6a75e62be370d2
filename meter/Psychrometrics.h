#pragma once

#include "meter/Reading.h"

namespace dewscope {

// Dew point and wet bulb of air at temperature t (°C) and relative humidity rh (%), at the
// fixed air pressure of 1013.25 hPa, written into the reading's dew and wet fields in both
// units. Reads the reading's over-range flags, so both decoders must have run first.
//
// When an intermediate value has no finite result (humidity of 0 or below, a temperature of
// exactly -243.5 °C, an overflowing exponential) the computation ends there and the fields not
// yet written keep their earlier values. A wet-bulb walk that does not settle reports "OL"
// ("-OL" below zero) for the wet bulb.
void computeDewWet(Reading &reading, double t, double rh);

// The actual vapour pressure e (hPa) of air at t (°C) and rh (%), formed as computeDewWet forms
// it. False where that has no finite, positive result (the computation then stops before the
// dew point).
bool vapourPressure(double t, double rh, double *e);

} // namespace dewscope
