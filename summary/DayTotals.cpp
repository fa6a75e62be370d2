#include "summary/DayTotals.h"

#include <cmath>

namespace dewscope {

namespace {
constexpr double SecondsPerDay = 86400;
}

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

void DayTotals::addValue(qint64 day, Channel channel, double value)
{
    DayFigures::Values &v = at(day).values[channel];
    ++v.count;
    v.min = v.count == 1 ? value : qMin(v.min, value);
    v.max = v.count == 1 ? value : qMax(v.max, value);
    v.mean += (value - v.mean) / double(v.count);
}

void DayTotals::addTime(int limit, qint64 day, double clock, double seconds, Place place)
{
    if (place == Inside || limit < 0 || limit >= m_limits)
        return;
    while (seconds > 0) {
        const double today = qMin(seconds, qMax(0.0, SecondsPerDay - clock));
        at(day).seconds[limit * 4 + place] += today;
        seconds -= today;
        ++day;
        clock = 0;
    }
}

QList<DayFigures> DayTotals::days(qint64 lastDay, const QDate &firstDate) const
{
    QList<DayFigures> out;
    if (m_days.empty() && lastDay < 0)
        return out;
    const qint64 first = m_days.empty() ? 0 : qMin<qint64>(0, m_days.begin()->first);
    const qint64 last = qMax(lastDay, m_days.empty() ? lastDay : m_days.rbegin()->first);
    for (qint64 d = first; d <= last; ++d) {
        DayFigures f;
        f.day = int(d - first + 1);
        if (firstDate.isValid())
            f.date = firstDate.addDays(d - first);
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
