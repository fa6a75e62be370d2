#pragma once

#include <QString>

namespace dewscope {

// The text of a graph scale label: the value as a single-precision number in its shortest
// form (at most 7 significant digits), "." as the decimal mark, no zero before the point,
// a leading blank when the value is not negative and ".0" appended when there is no point:
// " 60.0", "-20.0", " .5", " 100.04".
QString formatScaleLabel(float value);

} // namespace dewscope
