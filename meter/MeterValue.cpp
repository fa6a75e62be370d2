#include "meter/MeterValue.h"

#include <cstring>

namespace dewscope {

QString MeterValue::overloadText() const
{
    switch (m_kind) {
    case Kind::Overload:
        return QStringLiteral("OL");
    case Kind::NegativeOverload:
        return QStringLiteral("-OL");
    default:
        return QString();
    }
}

bool operator==(const MeterValue &a, const MeterValue &b)
{
    if (a.m_kind != b.m_kind)
        return false;
    // Numbers compare bit for bit: a recomputed value must be the very same double.
    return a.m_kind != MeterValue::Kind::Number
            || std::memcmp(&a.m_value, &b.m_value, sizeof(double)) == 0;
}

} // namespace dewscope
