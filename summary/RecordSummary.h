#pragma once

#include "summary/DayTotals.h"
#include "summary/SummaryFigures.h"

#include <QStringView>

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

    SummaryFigures figures() const;

private:
    enum class Cell { Value, Over, Under, Missing };
    enum class Place { Inside, Below, Above, Missing };

    struct Channel
    {
        qint64 count = 0, over = 0, under = 0, missing = 0;
        double min = 0, max = 0, mean = 0, m2 = 0;
        int minTime = 0, maxTime = 0;
        qint64 minOffset = 0, maxOffset = 0;
        // Σ exp(e_i) kept as exp(logMax) × scaled, so no term over- or underflows.
        double logMax = 0, scaled = 0;
    };

    struct Watch
    {
        SummaryChannel channel = SummaryChannel::TemperatureC;
        SummaryLimits limits;
        double seconds[4] = {}; // by Place, of every row but the last
        Place last = Place::Inside;
        bool open = false; // the last row is in an excursion
        Excursion run;
        QList<Excursion> closed;
    };

    void addValue(int channel, double value);
    void place(Watch &watch, Cell cell, double value);
    double medianInterval() const;

    SummarySettings m_settings;
    Channel m_channels[SummaryChannelCount];
    QList<Watch> m_watches;
    std::map<int, qint64> m_intervals; // whole seconds → how often
    qint64 m_records = 0;
    qint64 m_rowsWithoutTime = 0;
    int m_firstTime = -1;
    int m_lastTime = -1;
    qint64 m_offset = 0; // of the last row
    qint64 m_day = 0; // of the last row: the midnights passed since the first row
    DayTotals m_days;
};

} // namespace dewscope
