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

#include <optional>

class QPainter;
class QPdfWriter;

namespace dewscope {

class DataPlotState;
class RecordTableModel;

// The report of a recording. Page 1: title, place and source, the bytes it was read from, its
// times, the plot of the whole table as the plot window draws it (vectors on the page) with the
// limits as dashed lines, the summary table, each limited channel's time outside with its 15
// longest excursions. Page 2 on: the figures of each calendar day, and at the foot of the last
// page the lines for a reviewer's sign-off. Every page ends with "Page N of M". Limits are told
// apart by line style as well as colour, so the pages read in black and white.
class SummaryReport
{
public:
    static constexpr int ListedExcursions = 15;

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
    // degrees and per cent; the defaults where there is nothing to hold.
    static GraphScales fittingScales(const SummaryFigures &figures);

    // Writes the report as a PDF file through a temporary file renamed on success; what was at
    // path stays as it was on a failure. inputs: files the report may not overwrite.
    static bool write(const QString &path, const QStringList &inputs, const RecordTableModel &table,
                      const SummaryFigures &figures, const Options &options, QString *error);

private:
    SummaryReport(QPainter *painter, const QRectF &page, const RecordTableModel &table,
                  const SummaryFigures &figures, const Options &options);
    void paint(QPdfWriter *writer);
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
    double drawChannels(double y);
    void drawLimits(const LimitFigures &limits, double x, double y, double width);
    void drawFooter(int page, int pages);
    double footerTop() const;
    static Qt::PenStyle limitStyle(SummaryChannel channel);

    QPainter *m_painter;
    QRectF m_page;
    const RecordTableModel &m_table;
    const SummaryFigures &m_figures;
    const Options &m_options;
};

} // namespace dewscope
