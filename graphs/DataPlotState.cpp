#include "graphs/DataPlotState.h"

#include "graphs/LeadingNumber.h"

#include <cmath>

namespace dewscope {

void DataPlotState::spanWholeTable(int dataRows)
{
    total = float(dataRows);
    from = 1;
    to = total;
    count = total;
}

void DataPlotState::layOut(int scaleWidth, int scaleHeight)
{
    left = PlotLeft;
    bottom = float(scaleHeight - 27);
    const int d = scaleWidth - PlotLeft;
    width = float(d - d % 30);
    height = float(scaleHeight - 100);
    // An empty span has no step: nothing is drawn right of the left edge.
    step = count > 0 ? width / count : 0;
    x = -step;
    prevX = 0;
}

DataPlotState::TimeMark DataPlotState::timeMark(int k) const
{
    return timeMark(k, recordCount());
}

DataPlotState::TimeMark DataPlotState::timeMark(int k, int count)
{
    // m(j, d): the j-th of d parts of the span, truncated; a part of 0 marks no record.
    const auto part = [count](int j, int d) { return int((qint64(j) * count) / d); };
    if (k == 1)
        return TimeMark::Label;
    for (int j = 1; j <= 5; ++j)
        if (k == part(j, 5))
            return TimeMark::Label;
    for (int j = 1; j <= 10; ++j)
        if (k == part(j, 10))
            return TimeMark::Tick;
    return TimeMark::None;
}

bool DataPlotState::curveHeight(Curve curve, const QString &text, double *h) const
{
    const float top = curve == Humidity ? maxRH : maxC;
    const float floor = curve == Humidity ? minRH : minC;
    if (!(top != floor))
        return false;
    const double number = leadingNumber(text);
    const float v = float(number);
    if (v > top || text == QLatin1String("OL"))
        *h = double(height) + 5;
    else if (v < floor || text == QLatin1String("-OL"))
        *h = -3;
    else
        *h = (number - double(floor)) / (double(top) - double(floor)) * double(height);
    return true;
}

} // namespace dewscope
