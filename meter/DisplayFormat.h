#pragma once

#include "meter/MeterValue.h"

#include <QString>

namespace dewscope {

// The display text of one value: one decimal with "." as the decimal mark on every locale,
// "OL" and "-OL" unchanged, empty for a value never set.
//
// The value is first taken at 15 significant digits and that decimal form is rounded half away
// from zero, so a computed 17.949999999999999 shows 18.0 and 0.05 shows 0.1. A negative value
// that rounds to zero keeps its sign ("-0.0").
QString formatReading(const MeterValue &value);
QString formatReading(double value);

} // namespace dewscope
