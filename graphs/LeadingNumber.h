#pragma once

#include <QString>

namespace dewscope {

// The number at the start of a text, with "." as the decimal mark whatever the locale: leading
// blanks are skipped, then an optional sign, digits with at most one ".", and an optional
// exponent ("E" or "D" and digits). 0 when the text does not start with a number. "37,8" gives
// 37, "-OL" gives 0, "12.5 %" gives 12.5.
double leadingNumber(const QString &text);

} // namespace dewscope
