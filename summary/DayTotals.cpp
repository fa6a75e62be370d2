#include "summary/DayTotals.h"

#include <cmath>

namespace dewscope {

namespace {

constexpr double SecondsPerDay = 86400;
constexpr qint64 JulianDay1970 = 2440588; // of 1970-01-01, where the wall clock counts from

qint64 dayOf(double wall)
{
    return qint64(std::floor(wall / SecondsPerDay));
}

} // namespace

DayTotals::DayTotals(int limitCount)
    : m_limits(limitCount)
{
}

DayTotals::Day &DayTotals::at(qint64 day)
{
    Day &d = m_days[day];
    if (d.seconds.isEmpty())
        d.seconds.resize(m_limits * 4);
    return d;
}

void DayTotals::addValue(double wall, Channel channel, double value)
{
    DayFigures::Values &v = at(dayOf(wall)).values[channel];
    ++v.count;
    v.min = v.count == 1 ? value : qMin(v.min, value);
    v.max = v.count == 1 ? value : qMax(v.max, value);
    // Each part divided first, so that values near the largest double never overflow the step.
    v.mean += value / double(v.count) - v.mean / double(v.count);
}

void DayTotals::addTime(int limit, double wall, double seconds, Place place)
{
    if (place == Inside || limit < 0 || limit >= m_limits)
        return;
    qint64 day = dayOf(wall);
    double clock = wall - double(day) * SecondsPerDay;
    while (seconds > 0) {
        const double today = qMin(seconds, SecondsPerDay - clock);
        at(day).seconds[limit * 4 + place] += today;
        seconds -= today;
        ++day;
        clock = 0;
    }
}

QList<DayFigures> DayTotals::days(double first, double last, bool dates) const
{
    QList<DayFigures> out;
    const qint64 firstDay = dayOf(first);
    for (qint64 d = firstDay; d <= dayOf(last); ++d) {
        DayFigures f;
        f.day = int(d - firstDay + 1);
        if (dates)
            f.date = QDate::fromJulianDay(JulianDay1970 + d);
        f.limits.resize(m_limits);
        const auto found = m_days.find(d);
        if (found != m_days.end()) {
            f.temperature = found->second.values[Temperature];
            f.humidity = found->second.values[Humidity];
            for (int l = 0; l < m_limits; ++l) {
                const double *s = found->second.seconds.constData() + l * 4;
                f.limits[l] = { s[Below], s[Above], s[Missing] };
            }
        }
        out << f;
    }
    return out;
}

} // namespace dewscope
