#pragma once

#include "summary/SummaryFigures.h"

#include <map>

namespace dewscope {

// Sums a recording up per calendar day: the values of temperature and humidity, and per limited
// channel the time spent below, above and missing, each stretch of time split at the midnights
// it passes. Moments are wall-clock seconds as SummaryMoment::wall counts them, so a day is a
// whole multiple of 86400 s.
class DayTotals
{
public:
    enum Place { Inside, Below, Above, Missing }; // where a limited channel's row lies
    enum Channel { Temperature, Humidity };

    explicit DayTotals(int limitCount = 0);

    void addValue(double wall, Channel channel, double value);
    void addTime(int limit, double wall, double seconds, Place place);

    // Every day from first's to last's, days without a row included; with their dates when the
    // wall clock tells them.
    QList<DayFigures> days(double first, double last, bool dates) const;

private:
    struct Day
    {
        DayFigures::Values values[2];
        QList<double> seconds; // by limit × Place
    };
    Day &at(qint64 day);

    int m_limits;
    std::map<qint64, Day> m_days;
};

} // namespace dewscope
