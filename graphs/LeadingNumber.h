#pragma once

#include <QString>

namespace dewscope {

// The number at the start of a text, with "." as the decimal mark whatever the locale: leading
// blanks are skipped, then an optional sign, digits with at most one ".", and an optional
// exponent ("E" or "D" and digits). 0 when the text does not start with a number. "37,8" gives
// 37, "-OL" gives 0, "12.5 %" gives 12.5.
double leadingNumber(const QString &text);

// A range box's text, read one way in every locale: "." or "," as the decimal mark, no group
// separators, the digits 0 to 9 only. leading is the number at the start of the text (0 when
// there is none: "37,8" gives 37.8, "60.000" gives 60); whole tells whether the text is that
// number and nothing else, blanks around it aside ("", "-", "1.2.3" and "12 %" are not).
struct BoxNumber
{
    double leading = 0;
    bool whole = false;
};
BoxNumber readBox(const QString &text);

} // namespace dewscope
