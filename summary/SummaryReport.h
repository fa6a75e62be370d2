#pragma once

#include "graphs/GraphScales.h"
#include "summary/SummaryFigures.h"
#include "tables/SourceFile.h"

#include <QDateTime>
#include <QFont>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

#include <optional>

class QPainter;
class QPdfWriter;

namespace dewscope {

class DrawingSurface;
class RecordSummary;
class RecordTableModel;
struct DataPlotState;

// The report of a recording. Page 1: title, place and source, the bytes it was read from, its
// times, the plot of the whole table as the plot window draws it (vectors on the page; with more
// rows than pixel columns, the lowest and highest of each column) with the limits as dashed
// lines, the summary table, each limited channel's time outside with its 15
// longest excursions. Page 2 on: the figures of each calendar day, and at the foot of the last
// page the lines for a reviewer's sign-off. Every page ends with "Page N of M". Limits are told
// apart by line style as well as colour, so the pages read in black and white.
class SummaryReport
{
public:
    static constexpr int ListedExcursions = 15;
    // The span automatic scales keep within.
    static constexpr double LowestC = -200, HighestC = 1700;
    static constexpr double LowestRH = 0, HighestRH = 100;

    struct Options
    {
        QString title = QStringLiteral("Recording report");
        QString location; // where the recording was made; none when empty
        QString fileName; // where the rows come from: a file's name, "memory set 3", ...
        std::optional<SourceFile> sourceFile; // the bytes read; none: "no source file"
        bool memorySet = false; // the rows are a memory set's
        QPageSize::PageSizeId page = QPageSize::A4;
        bool fahrenheit = false; // the unit of the temperature figures
        GraphScales scales; // the plot's scales
        QDateTime made = QDateTime::currentDateTime();
    };

    // A range that holds the data of the plotted curves and the limits, widened to whole
    // degrees and per cent, within LowestC .. HighestC and LowestRH .. HighestRH: what lies
    // beyond is drawn at the frame's edge (and named under the plot). The defaults where there
    // is nothing to hold.
    static GraphScales fittingScales(const SummaryFigures &figures);

    // The rows the report plots, in record order: how many, and a reader that hands each row's
    // cells joined by TAB to `each` and returns false, *error telling why, when they cannot be
    // read. They are read once, while the plot is drawn, and never kept.
    struct Rows
    {
        using Each = std::function<void(QStringView)>;
        qint64 count = 0;
        std::function<bool(const Each &each, QString *error)> read;

        // The data rows of a table (which must outlive them).
        static Rows of(const RecordTableModel &table);
    };

    // Writes the report as a PDF file through a temporary file renamed on success; what was at
    // path stays as it was on a failure. inputs: files the report may not overwrite.
    static bool write(const QString &path, const QStringList &inputs, const Rows &rows,
                      const SummaryFigures &figures, const Options &options, QString *error);

private:
    SummaryReport(QPainter *painter, const QRectF &page, const Rows &rows,
                  const SummaryFigures &figures, const Options &options);
    // False when the rows could not be read (m_error tells).
    bool paint(QPdfWriter *writer);
    void paintFirstPage();
    // The title and location, each wrapped to at most two lines; returns the y below.
    double drawHeading();
    double drawSource(double y);
    // The days from `first` on, as many as fit above `bottom`; returns how many.
    int drawDays(int first, double y, double bottom);
    int daysPerPage(double y, double bottom) const;
    void drawSignOff();
    QStringList wrapped(const QString &text, const QFont &font, int maxLines) const;
    double text(double x, double y, const QString &text, int size, bool bold = false,
                Qt::Alignment align = Qt::AlignLeft, double width = 0);
    static QFont font(int size, bool bold);
    // Rows of cells under a bold header row; each column as wide as its widest cell, with the
    // room left shared out. Returns the y below.
    double table(double x, double y, double width, const QList<QStringList> &rows);
    double drawPlot(double y, double height);
    void drawGaps(const DataPlotState &state);
    // The records on the plot: one by one where each has a pixel column of its own, otherwise
    // the lowest and highest of each column.
    bool drawRecords(DrawingSurface *surface, DataPlotState *state);
    // The row as the plot reads it: past midnight its time with the day ("12-07 08:00",
    // "day 2 08:00" without dates). clock follows the rows' moments.
    QString labelled(QStringView row, RecordSummary *clock) const;
    // An excursion's start or end in the report's table.
    QString shortTime(const SummaryMoment &moment) const;
    // Notes under the plot: what lies beyond its scales, rows split at commas. Returns the y
    // below.
    double drawNotes(double y);
    // "Temperature maximum 1e+17 °C", ...: the plotted curves' extremes and the limits that lie
    // beyond the report's scales.
    QStringList beyondScales() const;
    double drawChannels(double y);
    void drawLimits(const LimitFigures &limits, double x, double y, double width);
    void drawFooter(int page, int pages);
    double footerTop() const;
    static Qt::PenStyle limitStyle(SummaryChannel channel);

    QPainter *m_painter;
    QRectF m_page;
    const Rows &m_rows;
    QString m_error;
    const SummaryFigures &m_figures;
    const Options &m_options;
};

} // namespace dewscope
