#pragma once

#include "summary/DayTotals.h"
#include "summary/SummaryFigures.h"

#include <QStringView>

#include <QList>

#include <map>

namespace dewscope {

class RecordTableModel;

// Summarises record rows in one pass, as they come: rows can be added at any time and only
// the new ones are read. Each row stands for the time until the next row; the last one for
// the median interval, which figures() applies when asked, so adding rows later gives the
// same figures as reading them all at once. Nothing is kept per row: the intervals go into a
// histogram of whole seconds, the values into running sums.
//
// A row's time is its time of day "hh:mm:ss"; a step back of more than 12 hours from the row
// before is the next day, a smaller step back an interval of 0. A row whose time cannot be read
// is left out of everything and only counted.
class RecordSummary
{
public:
    explicit RecordSummary(const SummarySettings &settings = SummarySettings());

    const SummarySettings &settings() const { return m_settings; }

    // One row: its cells joined by TAB, in record order (number, time, °C, dew °C, wet °C,
    // %RH, °F, dew °F, wet °F).
    void addRow(QStringView rowText);
    // The table's data rows from grid row `from` on; returns the grid row after the last read.
    int addRows(const RecordTableModel &table, int from, int maxRows = -1);
    qint64 rowsRead() const { return m_records + m_rowsWithoutTime; }
    // The rows with a readable time so far, and the last one's moment.
    qint64 records() const { return m_records; }
    SummaryMoment lastMoment() const { return m_at; }

    SummaryFigures figures() const;

private:
    enum class Cell { Value, Over, Under, Missing };
    enum class Place { Inside, Below, Above, Missing };

    struct Channel
    {
        qint64 count = 0, over = 0, under = 0, missing = 0;
        double min = 0, max = 0;
        // The running mean and sum of squared deviations, both in units of scale (their true
        // values are mean × scale and m2 × scale²).
        double mean = 0, m2 = 0, scale = 1;
        SummaryMoment minAt, maxAt;
        // Σ exp(e_i) kept as exp(logMax) × scaled, so no term over- or underflows.
        double logMax = 0, scaled = 0;
    };

    // A row outside a limit: its moment and value ("OL"/"-OL" out of range).
    struct RunRow
    {
        SummaryMoment at;
        double value = 0;
        bool outOfRange = false;
    };
    // Consecutive rows outside on one side; a closed run knows the row after it.
    struct Run
    {
        Excursion::Side side = Excursion::Side::Below;
        QList<RunRow> rows;
        std::optional<SummaryMoment> next;
    };

    struct Watch
    {
        SummaryChannel channel = SummaryChannel::TemperatureC;
        SummaryLimits limits;
        std::map<qint64, qint64> intervals[4]; // by Place of the row before: seconds → how often
        Place last = Place::Inside;
        bool open = false; // the last row is in a run
        QList<Run> runs;
    };

    // An interval of more than 4 s, which a median of 0 already makes a gap.
    struct Step
    {
        SummaryMoment before, after;
        qint64 row = 0; // of the row after, among the rows read
        Place places[2] = {}; // of the row before, by watch
    };

    bool readMoment(QStringView time, QStringView date, SummaryMoment *moment);
    void addValue(int channel, double value);
    void place(Watch &watch, Cell cell, double value);
    double medianInterval() const;
    bool isGap(double seconds, double median) const { return seconds > 1.5 * median + 4; }
    QList<Excursion> excursions(const Watch &watch, double median) const;
    QList<DayFigures> days(double median) const;

    SummarySettings m_settings;
    Channel m_channels[SummaryChannelCount];
    QList<Watch> m_watches;
    std::map<int, qint64> m_intervals; // whole seconds → how often
    QList<Step> m_steps;
    qint64 m_records = 0;
    qint64 m_rowsWithoutTime = 0;
    bool m_dated = false;
    qint64 m_firstUtc = 0; // dated: the first row's moment
    qint64 m_baseWall = 0; // undated: the first row's midnight on the wall clock
    int m_lastTime = -1; // undated: the last row's time of day
    SummaryMoment m_first, m_at; // the first row's and the last row's moments
    DayTotals m_days; // values, and the time of intervals that cannot be gaps
};

} // namespace dewscope
