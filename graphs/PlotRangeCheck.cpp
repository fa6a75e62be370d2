#include "graphs/PlotRangeCheck.h"

#include "graphs/DataPlotState.h"
#include "graphs/LeadingNumber.h"

namespace dewscope {

QString PlotRangeCheck::spanMessage(float total)
{
    return QStringLiteral("1 <= From <= %1, try again!").arg(QString::number(total, 'g', 7));
}

PlotRangeCheck::Result PlotRangeCheck::apply(const Input &input, DataPlotState *state)
{
    const Result scales
        = applyScales(input.celsius, input.max, input.min, input.maxRH, input.minRH, state);
    if (scales.outcome != Outcome::Applied)
        return scales;

    // The span is the leading numbers as they are, never failing to convert: a pasted "250.5"
    // lies beyond row 250.
    const double from = readBox(input.from).leading;
    const double to = readBox(input.to).leading;
    if (to > double(state->total) || from < 1 || to <= from)
        return { Outcome::Rejected, spanMessage(state->total) };
    state->from = float(from);
    state->to = float(to);
    state->count = state->to - state->from + 1;
    return {};
}

} // namespace dewscope
