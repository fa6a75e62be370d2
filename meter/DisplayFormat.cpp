#include "meter/DisplayFormat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace dewscope {

QString formatReading(const MeterValue &value)
{
    switch (value.kind()) {
    case MeterValue::Kind::Number:
        return formatReading(value.value());
    case MeterValue::Kind::Unset:
        return QString();
    default:
        return value.overloadText();
    }
}

QString formatReading(double value)
{
    if (!std::isfinite(value))
        return QString();

    // 15 significant digits, independent of the C locale: d.dddddddddddddde±x
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    std::string digits;
    digits.reserve(15);
    const char *p = buffer;
    for (; *p && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9')
            digits.push_back(*p);
    }
    const int exponent = std::atoi(p + 1);
    const bool negative = std::signbit(value) && value != 0.0;

    // Digits kept: those of the integer part and one decimal. The value is
    // 0.d1d2...d15 × 10^(exponent + 1).
    const int kept = exponent + 2;
    std::string rounded; // the kept digits, without a point, as an integer of tenths
    if (kept <= 0) {
        rounded = (kept == 0 && digits[0] >= '5') ? "1" : "0";
    } else if (kept >= static_cast<int>(digits.size())) {
        rounded = digits + std::string(kept - digits.size(), '0');
    } else {
        rounded = digits.substr(0, kept);
        if (digits[kept] >= '5') {
            int i = kept - 1;
            while (i >= 0 && rounded[i] == '9')
                rounded[i--] = '0';
            if (i >= 0)
                ++rounded[i];
            else
                rounded.insert(rounded.begin(), '1');
        }
    }
    if (rounded.size() < 2)
        rounded.insert(rounded.begin(), 2 - rounded.size(), '0');
    std::size_t first = 0;
    while (first + 2 < rounded.size() && rounded[first] == '0')
        ++first;
    std::string text = negative ? "-" : "";
    text += rounded.substr(first, rounded.size() - first - 1);
    text += '.';
    text += rounded.back();
    return QString::fromLatin1(text.c_str());
}

} // namespace dewscope
