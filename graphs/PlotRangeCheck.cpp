#include "graphs/PlotRangeCheck.h"

#include "graphs/DataPlotState.h"
#include "graphs/LeadingNumber.h"

#include <cmath>

namespace dewscope {

QString PlotRangeCheck::spanMessage(float total)
{
    return QStringLiteral("1 <= From <= %1, try again!").arg(QString::number(total, 'g', 7));
}

PlotRangeCheck::Result PlotRangeCheck::apply(const Input &input, DataPlotState *state,
                                             const QLocale &locale)
{
    const Result scales
        = applyScales(input.celsius, input.max, input.min, input.maxRH, input.minRH, state, locale);
    if (scales.outcome != Outcome::Applied)
        return scales;

    // The span is the leading numbers, never failing to convert; a pasted fraction counts as
    // its whole row.
    const double from = std::floor(leadingNumber(input.from));
    const double to = std::floor(leadingNumber(input.to));
    if (to > double(state->total) || from < 1 || to <= from)
        return { Outcome::Rejected, spanMessage(state->total) };
    state->from = float(from);
    state->to = float(to);
    state->count = state->to - state->from + 1;
    return {};
}

} // namespace dewscope
