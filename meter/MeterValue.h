#pragma once

#include <QString>

namespace dewscope {

// One value of a live or stored reading: a number, the over-range marks "OL" / "-OL",
// or nothing yet (before the first message that sets it).
class MeterValue
{
public:
    enum class Kind { Unset, Number, Overload, NegativeOverload };

    constexpr MeterValue() = default;

    static constexpr MeterValue number(double value) { return MeterValue(Kind::Number, value); }
    static constexpr MeterValue overload(bool negative)
    {
        return MeterValue(negative ? Kind::NegativeOverload : Kind::Overload, 0.0);
    }

    constexpr Kind kind() const { return m_kind; }
    constexpr bool isSet() const { return m_kind != Kind::Unset; }
    constexpr bool isNumber() const { return m_kind == Kind::Number; }
    constexpr bool isOverload() const
    {
        return m_kind == Kind::Overload || m_kind == Kind::NegativeOverload;
    }
    // The number; 0 for the marks and for an unset value.
    constexpr double value() const { return m_kind == Kind::Number ? m_value : 0.0; }

    // "OL" or "-OL" for the marks, empty otherwise.
    QString overloadText() const;

    friend bool operator==(const MeterValue &a, const MeterValue &b);
    friend bool operator!=(const MeterValue &a, const MeterValue &b) { return !(a == b); }

private:
    constexpr MeterValue(Kind kind, double value) : m_kind(kind), m_value(value) { }

    Kind m_kind = Kind::Unset;
    double m_value = 0.0;
};

} // namespace dewscope
