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

void RecordSummary::addRow(QStringView rowText)
{
    QStringView cells[9];
    qsizetype from = 0;
    for (int c = 0; c < 9; ++c) {
        const qsizetype tab = rowText.indexOf(QLatin1Char('\t'), from);
        cells[c] = rowText.mid(from, (tab < 0 ? rowText.size() : tab) - from);
        if (tab < 0)
            break;
        from = tab + 1;
    }
    const int time = DataFile::timeOfDay(cells[1]);
    if (time < 0) {
        ++m_rowsWithoutTime;
        return;
    }
    if (m_records == 0) {
        m_firstTime = time;
    } else {
        // A small step back is the recorder setting its stamp to the clock again; a large one
        // is midnight.
        int interval = time - m_lastTime;
        if (interval < -Day / 2)
            interval += Day;
        else if (interval < 0)
            interval = 0;
        ++m_intervals[interval];
        m_offset += interval;
        for (int w = 0; w < m_watches.size(); ++w) {
            Watch &watch = m_watches[w];
            watch.seconds[int(watch.last)] += interval;
            m_days.addTime(w, m_day, m_lastTime, interval, DayTotals::Place(watch.last));
        }
        m_day += (m_lastTime + interval) / Day;
    }
    m_lastTime = time;
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
                    m_days.addValue(m_day, DayTotals::Temperature, value);
                else if (c == int(SummaryChannel::Humidity))
                    m_days.addValue(m_day, DayTotals::Humidity, value);
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
        ch.minTime = m_lastTime;
        ch.minOffset = m_offset;
    }
    if (ch.count == 1 || value > ch.max) {
        ch.max = value;
        ch.maxTime = m_lastTime;
        ch.maxOffset = m_offset;
    }
    // Welford's running mean and sum of squared deviations.
    const double delta = value - ch.mean;
    ch.mean += delta / double(ch.count);
    ch.m2 += delta * (value - ch.mean);

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
    const Excursion::Side side
        = at == Place::Below ? Excursion::Side::Below : Excursion::Side::Above;
    if (watch.open && (at != watch.last)) {
        watch.run.endTime = m_lastTime;
        watch.run.endOffset = double(m_offset);
        watch.closed.append(watch.run);
        watch.open = false;
    }
    watch.last = at;
    if (at != Place::Below && at != Place::Above)
        return;
    const bool outOfRange = cell != Cell::Value;
    if (!watch.open) {
        watch.open = true;
        watch.run = { side, m_lastTime, m_offset, 0, 0, value, outOfRange };
    } else if (outOfRange) {
        watch.run.extremeOutOfRange = true;
    } else if (side == Excursion::Side::Below ? value < watch.run.extreme
                                              : value > watch.run.extreme) {
        watch.run.extreme = value;
    }
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
    f.records = m_records;
    f.rowsWithoutTime = m_rowsWithoutTime;
    f.firstTime = m_firstTime;
    f.lastTime = m_lastTime;
    f.lastOffset = m_offset;
    f.interval = medianInterval();
    f.span = m_records > 0 ? double(m_offset) + f.interval : 0;
    f.activationEnergy = m_settings.activationEnergy;
    f.minExcursion = m_settings.minExcursion;
    f.fahrenheit = m_settings.fahrenheit;

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
        out.minTime = ch.minTime;
        out.maxTime = ch.maxTime;
        out.minOffset = ch.minOffset;
        out.maxOffset = ch.maxOffset;
        out.mean = ch.mean;
        if (ch.count > 1)
            out.stdev = std::sqrt(ch.m2 / double(ch.count - 1));
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

    DayTotals days = m_days;
    for (int w = 0; w < m_watches.size() && m_records > 0; ++w)
        days.addTime(w, m_day, m_lastTime, f.interval, DayTotals::Place(m_watches[w].last));
    if (m_records > 0)
        f.days = days.days(m_day, QDate());

    for (const Watch &watch : m_watches) {
        LimitFigures l;
        l.channel = watch.channel;
        l.limits = watch.limits;
        double seconds[4]
            = { watch.seconds[0], watch.seconds[1], watch.seconds[2], watch.seconds[3] };
        if (m_records > 0)
            seconds[int(watch.last)] += f.interval;
        l.secondsBelow = seconds[int(Place::Below)];
        l.secondsAbove = seconds[int(Place::Above)];
        l.secondsMissing = seconds[int(Place::Missing)];
        if (f.span > 0)
            l.percentOutside = (l.secondsBelow + l.secondsAbove) / f.span * 100;
        l.excursions = watch.closed;
        if (watch.open) {
            Excursion run = watch.run;
            run.endTime = m_lastTime + f.interval;
            run.endOffset = f.span;
            l.excursions.append(run);
        }
        const auto isShort = [&f](const Excursion &e) { return e.seconds() < f.minExcursion; };
        l.shortExcursions = l.excursions.removeIf(isShort);
        f.limits.append(l);
    }
    return f;
}

QString SummaryFigures::clock(double time)
{
    const qint64 seconds = qint64(std::floor(time + 0.5)) % Day;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int SummaryFigures::daysAfterFirst(double offset)
{
    return int(std::floor(offset + 0.5)) / Day;
}

} // namespace dewscope
