#include "graphs/ScaleLabel.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace dewscope {

namespace {

// Shortest decimal digits (at most 7) that read back as the same float, with the decimal
// exponent of the first digit.
void shortestDigits(float value, std::string *digits, int *exponent)
{
    char buffer[48];
    for (int precision = 1; precision <= 7; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, static_cast<double>(value));
        if (precision == 7 || std::strtof(buffer, nullptr) == value)
            break;
    }
    digits->clear();
    const char *p = buffer;
    for (; *p && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9')
            digits->push_back(*p);
    }
    *exponent = std::atoi(p + 1);
    while (digits->size() > 1 && digits->back() == '0')
        digits->pop_back();
}

} // namespace

QString formatScaleLabel(float value)
{
    if (std::isnan(value))
        return QStringLiteral(" NaN");
    if (value == 0.0f)
        return QStringLiteral(" 0.0");
    const bool negative = value < 0;
    const float magnitude = std::fabs(value);
    std::string text;
    if (std::isinf(magnitude)) {
        text = "1.#INF";
    } else {
        std::string digits;
        int exponent = 0;
        shortestDigits(magnitude, &digits, &exponent);
        const int count = static_cast<int>(digits.size());
        if (exponent >= 7 || exponent < -8) {
            // Too large or small for plain notation: d.ddE+xx
            text = digits.substr(0, 1);
            if (count > 1)
                text += "." + digits.substr(1);
            char exp[16];
            std::snprintf(exp, sizeof exp, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
            text += exp;
        } else if (exponent < 0) {
            text = "." + std::string(-exponent - 1, '0') + digits;
        } else if (count > exponent + 1) {
            text = digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
        } else {
            text = digits + std::string(exponent + 1 - count, '0');
        }
    }
    text.insert(text.begin(), negative ? '-' : ' ');
    if (text.find('.') == std::string::npos)
        text += ".0";
    return QString::fromLatin1(text.c_str());
}

} // namespace dewscope
