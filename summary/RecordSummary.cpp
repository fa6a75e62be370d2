#include "summary/RecordSummary.h"

#include "recording/DataFile.h"
#include "tables/RecordTableModel.h"

#include <cmath>

namespace dewscope {

namespace {

constexpr int Day = 86400;
constexpr double GasConstant = 8.3144; // J/(mol·K)
constexpr double ZeroCelsius = 273.15; // K

// The table column of each channel.
constexpr int ChannelColumns[SummaryChannelCount] = { 2, 6, 5, 3, 7, 4, 8 };

bool isFahrenheit(int channel)
{
    const auto c = SummaryChannel(channel);
    return c == SummaryChannel::TemperatureF || c == SummaryChannel::DewPointF
        || c == SummaryChannel::WetBulbF;
}

int digit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9') ? c.unicode() - '0' : -1;
}

// A cell's number. The display texts ("-12.3") are read digit by digit: a whole number of at
// most 15 digits divided by an exact power of ten is rounded once, so it is the same double the
// general reader gives, which reads anything else.
bool readNumber(QStringView text, double *value)
{
    static const double tens[]
        = { 1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
    const bool negative = text.startsWith(QLatin1Char('-'));
    qint64 whole = 0;
    int digits = 0, decimals = -1;
    qsizetype i = negative ? 1 : 0;
    for (; i < text.size(); ++i) {
        const int d = digit(text[i]);
        if (d < 0 && text[i] == QLatin1Char('.') && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (d < 0 || digits == 15)
            break;
        whole = whole * 10 + d;
        ++digits;
        decimals += decimals >= 0;
    }
    if (i == text.size() && digits > 0) {
        *value = double(negative ? -whole : whole) / tens[qMax(decimals, 0)];
        return true;
    }
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value);
}

} // namespace

RecordSummary::RecordSummary(const SummarySettings &settings)
    : m_settings(settings)
{
    const auto watch = [this](SummaryChannel channel, const SummaryLimits &limits) {
        Watch w;
        w.channel = channel;
        w.limits = limits;
        m_watches.append(w);
    };
    if (settings.temperature.isSet())
        watch(settings.temperatureChannel(), settings.temperature);
    if (settings.humidity.isSet())
        watch(SummaryChannel::Humidity, settings.humidity);
    m_days = DayTotals(int(m_watches.size()));
}

bool RecordSummary::readMoment(QStringView time, QStringView date, SummaryMoment *moment)
{
    DataFile::Moment dated;
    if (m_records == 0) {
        // The first row with a readable time tells whether the table is dated.
        const int timeOfDay = DataFile::timeOfDay(time);
        if (timeOfDay < 0)
            return false;
        m_dated = DataFile::readMoment(date, &dated);
        if (m_dated) {
            m_firstUtc = dated.utc;
            *moment = { 0, double(dated.local()), dated.offset };
        } else {
            // 2440588 is the Julian day of 1970-01-01.
            if (m_settings.startDate)
                m_baseWall = (m_settings.startDate->toJulianDay() - 2440588) * Day;
            m_lastTime = timeOfDay;
            *moment = { 0, double(m_baseWall + timeOfDay), 0 };
        }
        return true;
    }
    if (m_dated) {
        if (!DataFile::readMoment(date, &dated))
            return false;
        // A clock set back lets no time pass.
        const double offset = qMax(double(dated.utc - m_firstUtc), m_at.offset);
        *moment = { offset, double(dated.local()), dated.offset };
        return true;
    }
    const int timeOfDay = DataFile::timeOfDay(time);
    if (timeOfDay < 0)
        return false;
    // A small step back is the recorder setting its stamp to the clock again; a larger one is
    // the next day (a night without records).
    int interval = timeOfDay - m_lastTime;
    const double day = std::floor((m_at.wall - double(m_baseWall)) / Day);
    double wall = double(m_baseWall) + day * Day + timeOfDay;
    if (interval < -60) {
        interval += Day;
        wall += Day;
    } else if (interval < 0) {
        interval = 0;
    }
    m_lastTime = timeOfDay;
    *moment = { m_at.offset + interval, wall, 0 };
    return true;
}

void RecordSummary::addRow(QStringView rowText)
{
    QStringView cells[DataFile::FieldCount + 1];
    qsizetype from = 0;
    for (int c = 0; c <= DataFile::FieldCount; ++c) {
        const qsizetype tab = rowText.indexOf(QLatin1Char('\t'), from);
        cells[c] = rowText.mid(from, (tab < 0 ? rowText.size() : tab) - from);
        if (tab < 0)
            break;
        from = tab + 1;
    }
    SummaryMoment at;
    if (!readMoment(cells[1], cells[DataFile::DateField], &at)) {
        ++m_rowsWithoutTime;
        return;
    }
    if (m_records == 0) {
        m_first = at;
    } else {
        const auto interval = qint64(at.offset - m_at.offset);
        ++m_intervals[interval];
        Step step { m_at, at, rowsRead() };
        for (int w = 0; w < m_watches.size(); ++w) {
            Watch &watch = m_watches[w];
            ++watch.intervals[int(watch.last)][interval];
            // An interval of at most 4 s is never a gap: its day is known now.
            step.places[w] = watch.last;
            if (interval <= 4)
                m_days.addTime(w, m_at.wall, double(interval), DayTotals::Place(watch.last));
        }
        if (interval > 4)
            m_steps.append(step);
    }
    m_at = at;
    ++m_records;

    for (int c = 0; c < SummaryChannelCount; ++c) {
        const QStringView text = cells[ChannelColumns[c]].trimmed();
        Cell cell = Cell::Missing;
        double value = 0;
        if (text == QLatin1String("OL")) {
            cell = Cell::Over;
            ++m_channels[c].over;
        } else if (text == QLatin1String("-OL")) {
            cell = Cell::Under;
            ++m_channels[c].under;
        } else {
            if (readNumber(text, &value)) {
                cell = Cell::Value;
                addValue(c, value);
                if (c == int(m_settings.temperatureChannel()))
                    m_days.addValue(m_at.wall, DayTotals::Temperature, value);
                else if (c == int(SummaryChannel::Humidity))
                    m_days.addValue(m_at.wall, DayTotals::Humidity, value);
            } else {
                ++m_channels[c].missing;
            }
        }
        for (Watch &watch : m_watches) {
            if (int(watch.channel) == c)
                place(watch, cell, value);
        }
    }
}

int RecordSummary::addRows(const RecordTableModel &table, int from, int maxRows)
{
    int row = qMax(1, from);
    for (int n = 0; row < table.rows() && n != maxRows; ++row, ++n)
        addRow(table.rowText(row));
    return row;
}

void RecordSummary::addValue(int channel, double value)
{
    Channel &ch = m_channels[channel];
    ++ch.count;
    if (ch.count == 1 || value < ch.min) {
        ch.min = value;
        ch.minAt = m_at;
    }
    if (ch.count == 1 || value > ch.max) {
        ch.max = value;
        ch.maxAt = m_at;
    }
    // Welford's running mean and sum of squared deviations, kept in units of a power of two
    // more than half as large as every value so far: each value and the mean stay within ±2,
    // so nothing overflows, even for values of ±1e308. Scaling by a power of two is exact, so
    // ordinary values give the very same figures as unscaled sums.
    if (std::fabs(value) >= 2 * ch.scale) {
        int exponent = 0;
        std::frexp(value, &exponent); // |value| < 2^exponent
        const double grown = std::ldexp(1.0, exponent - 1);
        const double ratio = ch.scale / grown;
        ch.mean *= ratio;
        ch.m2 *= ratio * ratio;
        ch.scale = grown;
    }
    const double scaled = value / ch.scale;
    const double delta = scaled - ch.mean;
    ch.mean += delta / double(ch.count);
    ch.m2 += delta * (scaled - ch.mean);

    const auto c = SummaryChannel(channel);
    if (c != SummaryChannel::TemperatureC && c != SummaryChannel::TemperatureF)
        return;
    const double kelvin = (isFahrenheit(channel) ? (value - 32) * 5 / 9 : value) + ZeroCelsius;
    if (!(kelvin > 0)) {
        ch.scaled = std::nan("");
        return;
    }
    const double exponent = -m_settings.activationEnergy * 1000 / (GasConstant * kelvin);
    if (ch.count == 1) {
        ch.logMax = exponent;
        ch.scaled = 1;
    } else if (exponent <= ch.logMax) {
        ch.scaled += std::exp(exponent - ch.logMax);
    } else {
        ch.scaled = ch.scaled * std::exp(ch.logMax - exponent) + 1;
        ch.logMax = exponent;
    }
}

void RecordSummary::place(Watch &watch, Cell cell, double value)
{
    const SummaryLimits &l = watch.limits;
    Place at = Place::Inside;
    switch (cell) {
    case Cell::Value:
        if (l.low && value < *l.low)
            at = Place::Below;
        else if (l.high && value > *l.high)
            at = Place::Above;
        break;
    case Cell::Over:
        at = l.high ? Place::Above : Place::Inside;
        break;
    case Cell::Under:
        at = l.low ? Place::Below : Place::Inside;
        break;
    case Cell::Missing:
        at = Place::Missing;
        break;
    }
    if (watch.open && at != watch.last) {
        watch.runs.last().next = m_at;
        watch.open = false;
    }
    watch.last = at;
    if (at != Place::Below && at != Place::Above)
        return;
    if (!watch.open) {
        watch.open = true;
        Run run;
        run.side = at == Place::Below ? Excursion::Side::Below : Excursion::Side::Above;
        watch.runs.append(run);
    }
    watch.runs.last().rows.append({ m_at, value, cell != Cell::Value });
}

// The runs as excursions: a gap inside a run ends one excursion at its row before plus the
// median interval, and the rows after it begin the next.
QList<Excursion> RecordSummary::excursions(const Watch &watch, double median) const
{
    QList<Excursion> all;
    for (const Run &run : watch.runs) {
        const bool below = run.side == Excursion::Side::Below;
        Excursion e;
        bool started = false;
        for (qsizetype i = 0; i < run.rows.size(); ++i) {
            const RunRow &row = run.rows.at(i);
            if (!started) {
                e = { run.side, row.at, row.at, row.value, row.outOfRange };
                started = true;
            } else if (row.outOfRange) {
                e.extremeOutOfRange = true;
            } else if (below ? row.value < e.extreme : row.value > e.extreme) {
                e.extreme = row.value;
            }
            const bool last = i + 1 == run.rows.size();
            const std::optional<SummaryMoment> next
                = last ? run.next : std::optional<SummaryMoment>(run.rows.at(i + 1).at);
            if (next && !isGap(next->offset - row.at.offset, median)) {
                if (last) {
                    e.end = *next;
                    all.append(e);
                }
                continue;
            }
            e.end = row.at.after(median);
            all.append(e);
            started = false;
        }
    }
    return all;
}

// The days with the time of the longer intervals placed now that the median tells the gaps: a
// gap's row before stands for the median interval, the rest of it is missing.
QList<DayFigures> RecordSummary::days(double median) const
{
    DayTotals days = m_days;
    for (const Step &step : m_steps) {
        const double seconds = step.after.offset - step.before.offset;
        const bool gap = isGap(seconds, median);
        for (int w = 0; w < m_watches.size(); ++w) {
            days.addTime(w, step.before.wall, gap ? median : seconds,
                         DayTotals::Place(step.places[w]));
            if (gap)
                days.addTime(w, step.before.wall + median, seconds - median, DayTotals::Missing);
        }
    }
    for (int w = 0; w < m_watches.size(); ++w)
        days.addTime(w, m_at.wall, median, DayTotals::Place(m_watches[w].last));
    // The last row stands for the median interval: its day may be the next one.
    return days.days(m_first.wall, m_at.wall + qMax(0.0, median - 0.001),
                     m_dated || m_settings.startDate);
}

double RecordSummary::medianInterval() const
{
    qint64 n = 0;
    for (const auto &entry : m_intervals)
        n += entry.second;
    if (n == 0)
        return 0;
    // The middle one of an odd count; the mean of the two middle ones of an even count.
    const qint64 lower = (n - 1) / 2, upper = n / 2;
    double sum = 0;
    qint64 seen = 0;
    for (const auto &entry : m_intervals) {
        const qint64 next = seen + entry.second;
        if (lower >= seen && lower < next)
            sum += entry.first;
        if (upper >= seen && upper < next) {
            sum += entry.first;
            break;
        }
        seen = next;
    }
    return sum / 2;
}

SummaryFigures RecordSummary::figures() const
{
    SummaryFigures f;
    f.dated = m_dated;
    f.startDate = m_dated ? std::nullopt : m_settings.startDate;
    f.fahrenheit = m_settings.fahrenheit;
    f.records = m_records;
    f.rowsWithoutTime = m_rowsWithoutTime;
    f.first = m_first;
    f.last = m_at;
    f.interval = medianInterval();
    f.span = m_records > 0 ? m_at.offset + f.interval : 0;
    f.activationEnergy = m_settings.activationEnergy;
    f.minExcursion = m_settings.minExcursion;
    for (const Step &step : m_steps) {
        const double seconds = step.after.offset - step.before.offset;
        if (!isGap(seconds, f.interval))
            continue;
        f.gaps.append({ step.before.after(f.interval), step.after, step.row });
        f.gapSeconds += f.gaps.last().seconds();
    }

    for (int c = 0; c < SummaryChannelCount; ++c) {
        const Channel &ch = m_channels[c];
        ChannelFigures &out = f.channels[c];
        out.count = ch.count;
        out.overRange = ch.over;
        out.underRange = ch.under;
        out.missing = ch.missing;
        if (ch.count == 0)
            continue;
        out.min = ch.min;
        out.max = ch.max;
        out.minAt = ch.minAt;
        out.maxAt = ch.maxAt;
        out.mean = ch.mean * ch.scale;
        if (ch.count > 1)
            out.stdev = std::sqrt(ch.m2 / double(ch.count - 1)) * ch.scale;
        const auto channel = SummaryChannel(c);
        if ((channel == SummaryChannel::TemperatureC || channel == SummaryChannel::TemperatureF)
            && std::isfinite(ch.scaled)) {
            // MKT = (ΔH/R) / -ln(Σ exp(-ΔH/(R·T_i)) / n)
            const double ratio = m_settings.activationEnergy * 1000 / GasConstant;
            const double logMean = ch.logMax + std::log(ch.scaled) - std::log(double(ch.count));
            const double celsius = ratio / -logMean - ZeroCelsius;
            out.mkt = isFahrenheit(c) ? celsius * 9 / 5 + 32 : celsius;
        }
    }

    for (const Watch &watch : m_watches) {
        LimitFigures l;
        l.channel = watch.channel;
        l.limits = watch.limits;
        // A gap's row stands for the median interval; the rest of the gap is missing.
        double seconds[4] = {};
        for (int p = 0; p < 4; ++p) {
            for (const auto &[interval, count] : watch.intervals[p]) {
                const double length = double(interval);
                const bool gap = isGap(length, f.interval);
                seconds[p] += (gap ? f.interval : length) * double(count);
                if (gap)
                    seconds[int(Place::Missing)] += (length - f.interval) * double(count);
            }
        }
        if (m_records > 0)
            seconds[int(watch.last)] += f.interval;
        l.secondsBelow = seconds[int(Place::Below)];
        l.secondsAbove = seconds[int(Place::Above)];
        l.secondsMissing = seconds[int(Place::Missing)];
        if (f.span > 0)
            l.percentOutside = (l.secondsBelow + l.secondsAbove) / f.span * 100;
        l.excursions = excursions(watch, f.interval);
        const auto isShort = [&f](const Excursion &e) { return e.seconds() < f.minExcursion; };
        l.shortExcursions = l.excursions.removeIf(isShort);
        f.limits.append(l);
    }
    if (m_records > 0)
        f.days = days(f.interval);
    return f;
}

QString SummaryFigures::clock(double wall)
{
    const qint64 seconds = (qint64(std::floor(wall + 0.5)) % Day + Day) % Day;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int SummaryFigures::dayOf(const SummaryMoment &moment) const
{
    const auto day = [](double wall) { return std::floor(std::floor(wall + 0.5) / Day); };
    return int(day(moment.wall) - day(first.wall)) + 1;
}

QString SummaryFigures::dateTime(const SummaryMoment &moment) const
{
    if (!hasDates())
        return QString();
    const auto wall = qint64(std::floor(moment.wall + 0.5));
    return DataFile::momentText(wall, dated ? &moment.zone : nullptr);
}

} // namespace dewscope
