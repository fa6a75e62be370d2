#pragma once

#include "graphs/GraphScales.h"
#include "summary/SummaryFigures.h"

#include <QDateTime>
#include <QFont>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

class QPainter;

namespace dewscope {

class DrawingSurface;
class RecordTableModel;
struct DataPlotState;

// The one-page report of a recording: title and file, its times, the plot of the whole table as
// the plot window draws it (vectors on the page; with more rows than pixel columns, the lowest
// and highest of each column) with the limits as dashed lines, the summary
// table, each limited channel's time outside with its 15 longest excursions, and a footer.
// Limits are told apart by line style as well as colour, so the page reads in black and white.
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
        QString fileName; // the table's file, as the report names it
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
    bool paint();
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
    // Notes under the plot: what lies beyond its scales, rows split at commas. Returns the y
    // below.
    double drawNotes(double y);
    // "Temperature maximum 1e+17 °C", ...: the plotted curves' extremes and the limits that lie
    // beyond the report's scales.
    QStringList beyondScales() const;
    double drawChannels(double y);
    void drawLimits(const LimitFigures &limits, double x, double y, double width);
    void drawFooter();
    static Qt::PenStyle limitStyle(SummaryChannel channel);

    QPainter *m_painter;
    QRectF m_page;
    const Rows &m_rows;
    QString m_error;
    const SummaryFigures &m_figures;
    const Options &m_options;
};

} // namespace dewscope
