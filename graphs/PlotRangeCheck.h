#pragma once

#include "graphs/ScaleRangeCheck.h"

namespace dewscope {

struct DataPlotState;

// The checks and storage of the plot's range dialog: the scales as both graphs check them, then
// the span of records (grid rows From to To of the source table).
class PlotRangeCheck : public ScaleRangeCheck
{
public:
    struct Input
    {
        bool celsius = true; // the temperature boxes in °C, else in °F
        QString max, min;
        QString maxRH, minRH;
        QString from, to;
    };

    // "1 <= From <= " with the table's row total, as refused spans say it.
    static QString spanMessage(float total);

    // Checks and stores the groups in order; on Applied the span and its count are stored.
    // Groups stored before a refusal or a conversion failure stay.
    static Result apply(const Input &input, DataPlotState *state);
};

} // namespace dewscope
