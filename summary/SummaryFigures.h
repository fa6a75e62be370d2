#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

namespace dewscope {

// What a summary tells of a record table.

// A moment of the table, kept twice. offset: seconds after the first row, to order moments and
// measure durations (a small step back of an undated stamp counts as no time passing). wall: what
// the clock showed, as seconds from 1970-01-01 00:00 on that clock: from the tenth field in a
// dated table, from the start date given for an undated one; otherwise the first row's day counts
// as 1970-01-01 and only the time of day and the midnights passed mean anything. zone: the UTC
// offset of a dated moment, in seconds.
struct SummaryMoment
{
    double offset = 0;
    double wall = 0;
    int zone = 0;

    SummaryMoment after(double seconds) const { return { offset + seconds, wall + seconds, zone }; }
};

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
    std::optional<QDate> startDate; // the first row's date, for a table without dates
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
    // Meaningful when count > 0; the moments are those of the first occurrence.
    double min = 0, max = 0, mean = 0;
    SummaryMoment minAt, maxAt;
    std::optional<double> stdev; // sample standard deviation, from two values on
    std::optional<double> mkt; // mean kinetic temperature, temperature channels only
};

// A run of consecutive rows outside a limit on the same side, with no gap inside.
struct Excursion
{
    enum class Side { Below, Above };

    Side side = Side::Below;
    SummaryMoment start;
    // The row after the run; or, when a gap or the end of the table follows the run, its last
    // row plus the median interval.
    SummaryMoment end;
    double extreme = 0; // the lowest value of a run below, the highest of a run above
    bool extremeOutOfRange = false; // the run holds "-OL" (below) or "OL" (above)

    double seconds() const { return end.offset - start.offset; }
};

// An interval between two rows longer than 1.5 times the median interval plus 4 s: the row
// before it stands for the median interval, the rest is missing.
struct Gap
{
    SummaryMoment start; // the row before plus the median interval
    SummaryMoment end; // the row after
    qint64 row = 0; // the row after: its place among the rows read, from 0

    double seconds() const { return end.offset - start.offset; }
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
    QString file; // the table's file as given, for the headings
    bool dated = false; // times and dates come from the rows' tenth field
    std::optional<QDate> startDate; // given for a table without dates
    bool fahrenheit = false; // the temperature unit of the limits and the listing
    qint64 records = 0; // rows with a readable time
    qint64 rowsWithoutTime = 0;
    // Lines of the file that held commas and so were read as more than one row each (a decimal
    // comma splits "25,5" into 25 and a row beginning with 5); told by whoever read the file.
    qint64 linesSplitAtCommas = 0;
    SummaryMoment first, last; // meaningful when records > 0
    double interval = 0; // the median interval between rows
    double span = 0; // last offset + interval
    double gapSeconds = 0;
    QList<Gap> gaps; // in time order
    double activationEnergy = SummarySettings::DefaultActivationEnergy;
    double minExcursion = 0;
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
    // The moments carry a calendar date: the table is dated or was given its start date.
    bool hasDates() const { return dated || startDate.has_value(); }
    // "hh:mm:ss" of a moment's wall clock, rounded to the second.
    static QString clock(double wall);
    // The calendar day of a moment, counted from the first row's day as day 1.
    int dayOf(const SummaryMoment &moment) const;
    // "2026-12-07T14:03:22+01:00" when dated, "2026-12-07T14:03:22" from a start date, else
    // empty.
    QString dateTime(const SummaryMoment &moment) const;
};

} // namespace dewscope
