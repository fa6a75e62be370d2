#pragma once

#include "summary/SummaryFigures.h"

#include <map>

namespace dewscope {

// Sums a recording up per calendar day as its rows come: the values of temperature and
// humidity, and per limited channel the time spent below, above and missing, each stretch of
// time split at the midnights it passes. Days are counted from the first row's day (0); a
// stretch is given by the day and the clock time (seconds into that day) it starts at.
class DayTotals
{
public:
    enum Place { Inside, Below, Above, Missing }; // where a limited channel's row lies
    enum Channel { Temperature, Humidity };

    explicit DayTotals(int limitCount = 0);

    void addValue(qint64 day, Channel channel, double value);
    void addTime(int limit, qint64 day, double clock, double seconds, Place place);

    // Every day from the first to lastDay (days without a row included); their dates from
    // firstDate on when it is valid.
    QList<DayFigures> days(qint64 lastDay, const QDate &firstDate) const;

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
