#include "graphs/RealTimeRangeCheck.h"

#include "graphs/LeadingNumber.h"
#include "graphs/RealTimeGraphState.h"

namespace dewscope {

const QString RealTimeRangeCheck::CountsMessage
    = QStringLiteral("10 <= Counts <= 864000, try again!");

RealTimeRangeCheck::Result RealTimeRangeCheck::apply(const Input &input, RealTimeGraphState *state)
{
    const Result scales = applyScales(input.unit == Unit::Celsius, input.max, input.min,
                                      input.maxRH, input.minRH, state);
    if (scales.outcome != Outcome::Applied)
        return scales;

    const BoxNumber counts = readBox(input.counts);
    if (counts.leading > MaximumCounts || counts.leading < MinimumCounts)
        return { Outcome::Rejected, CountsMessage };
    if (!counts.whole)
        return conversionFailed();
    state->step = float(state->width / counts.leading);
    return {};
}

} // namespace dewscope
