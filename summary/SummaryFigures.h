#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

namespace dewscope {

// What a summary tells of a record table. Each moment is kept twice: as its time of day (seconds,
// as the rows stamp it), and as an offset: seconds from the first row's time, day wraps
// included, so that moments can be ordered. The two part where the recorder stepped its stamp
// back, which counts as no time passing.

// The channels, in the order the summary lists them: each is one column of the table.
enum class SummaryChannel {
    TemperatureC,
    TemperatureF,
    Humidity,
    DewPointC,
    DewPointF,
    WetBulbC,
    WetBulbF
};
constexpr int SummaryChannelCount = 7;

// A low and/or a high limit; a value equal to a limit is inside.
struct SummaryLimits
{
    std::optional<double> low, high;
    bool isSet() const { return low || high; }
};

// What to summarise beyond the plain figures.
struct SummarySettings
{
    static constexpr double DefaultActivationEnergy = 83.144; // kJ/mol

    SummaryLimits temperature; // on the °C column, or the °F column when fahrenheit
    bool fahrenheit = false;
    SummaryLimits humidity;
    double activationEnergy = DefaultActivationEnergy;
    // Runs outside a limit strictly shorter than this are counted, not listed; time outside
    // still counts their every second.
    double minExcursion = 0;

    SummaryChannel temperatureChannel() const
    {
        return fahrenheit ? SummaryChannel::TemperatureF : SummaryChannel::TemperatureC;
    }
};

struct ChannelFigures
{
    qint64 count = 0; // cells that read as numbers
    qint64 overRange = 0; // "OL"
    qint64 underRange = 0; // "-OL"
    qint64 missing = 0; // anything else
    // Meaningful when count > 0; the times are those of the first occurrence.
    double min = 0, max = 0, mean = 0;
    int minTime = 0, maxTime = 0;
    qint64 minOffset = 0, maxOffset = 0;
    std::optional<double> stdev; // sample standard deviation, from two values on
    std::optional<double> mkt; // mean kinetic temperature, temperature channels only
};

// A run of consecutive rows outside a limit on the same side.
struct Excursion
{
    enum class Side { Below, Above };

    Side side = Side::Below;
    int startTime = 0;
    qint64 startOffset = 0;
    // The row after the run, or the last row plus the median interval (then perhaps a day or
    // more of seconds: a time past midnight).
    double endTime = 0;
    double endOffset = 0;
    double extreme = 0; // the lowest value of a run below, the highest of a run above
    bool extremeOutOfRange = false; // the run holds "-OL" (below) or "OL" (above)

    double seconds() const { return endOffset - double(startOffset); }
};

struct LimitFigures
{
    SummaryChannel channel = SummaryChannel::TemperatureC;
    SummaryLimits limits;
    double secondsBelow = 0, secondsAbove = 0, secondsMissing = 0;
    std::optional<double> percentOutside; // none for a span of 0
    QList<Excursion> excursions; // in time order
    qint64 shortExcursions = 0; // runs shorter than the settings' minExcursion, left out above
};

// One calendar day of a recording: the plain figures of its temperature (in the summary's
// unit) and humidity values, and of each limited channel the time that fell on this day below,
// above and missing (a row's time is split at midnight).
struct DayFigures
{
    struct Values
    {
        qint64 count = 0;
        double min = 0, max = 0, mean = 0; // meaningful when count > 0
    };
    struct Outside
    {
        double below = 0, above = 0, missing = 0;
    };

    int day = 1; // the first row's day is day 1
    QDate date; // invalid where the table tells no date
    Values temperature, humidity;
    QList<Outside> limits; // as SummaryFigures::limits
};

struct SummaryFigures
{
    qint64 records = 0; // rows with a readable time
    qint64 rowsWithoutTime = 0;
    int firstTime = -1; // of the first row; -1 when there is none
    int lastTime = -1;
    qint64 lastOffset = 0;
    double interval = 0; // the median interval between rows
    double span = 0; // last offset + interval
    double activationEnergy = SummarySettings::DefaultActivationEnergy;
    double minExcursion = 0;
    bool fahrenheit = false; // the unit of the days' temperatures
    ChannelFigures channels[SummaryChannelCount];
    QList<LimitFigures> limits; // temperature first, then humidity, each only when set
    QList<DayFigures> days; // in order, each day from the first row's to the last row's

    const ChannelFigures &channel(SummaryChannel c) const { return channels[int(c)]; }
    const LimitFigures *limitsOf(SummaryChannel c) const
    {
        for (const LimitFigures &l : limits)
            if (l.channel == c)
                return &l;
        return nullptr;
    }
    // "hh:mm:ss" of a time of day, rounded to the second, past midnight wrapping to 00:...
    static QString clock(double time);
    // Whole days an offset lies after the first row (the same rounding).
    static int daysAfterFirst(double offset);
};

} // namespace dewscope
