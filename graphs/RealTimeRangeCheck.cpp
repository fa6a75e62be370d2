#include "graphs/RealTimeRangeCheck.h"

#include "graphs/LeadingNumber.h"
#include "graphs/RealTimeGraphState.h"

namespace dewscope {

const QString RealTimeRangeCheck::CountsMessage
    = QStringLiteral("10 <= Counts <= 864000, try again!");

RealTimeRangeCheck::Result RealTimeRangeCheck::apply(const Input &input, RealTimeGraphState *state,
                                                     const QLocale &locale)
{
    const Result scales = applyScales(input.unit == Unit::Celsius, input.max, input.min,
                                      input.maxRH, input.minRH, state, locale);
    if (scales.outcome != Outcome::Applied)
        return scales;

    const double counts = leadingNumber(input.counts);
    if (counts > MaximumCounts || counts < MinimumCounts)
        return { Outcome::Rejected, CountsMessage };
    bool ok = false;
    const double storedCounts = locale.toDouble(input.counts, &ok);
    if (!ok || storedCounts == 0)
        return conversionFailed();
    state->step = float(state->width / storedCounts);
    return {};
}

} // namespace dewscope
