#pragma once

#include "graphs/ScaleRangeCheck.h"

namespace dewscope {

struct RealTimeGraphState;

// The checks and storage of the real-time graph's range dialog: the scales as both graphs check
// them, then the counts.
class RealTimeRangeCheck : public ScaleRangeCheck
{
public:
    enum class Unit { None, Celsius, Fahrenheit }; // None reads the boxes as Fahrenheit

    static const QString CountsMessage;
    static constexpr double MinimumCounts = 10;
    static constexpr double MaximumCounts = 864000;

    struct Input
    {
        Unit unit = Unit::Celsius;
        QString max, min; // temperature scale in the chosen unit
        QString maxRH, minRH;
        QString counts; // ticks per sweep
    };

    // Checks and stores the groups in order; on Applied the step is the last laid-out width
    // divided by the counts. Groups stored before a refusal or a conversion failure stay.
    static Result apply(const Input &input, RealTimeGraphState *state);
};

} // namespace dewscope
