#pragma once

#include "graphs/GraphScales.h"
#include "summary/SummaryFigures.h"

#include <QDateTime>
#include <QFont>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace dewscope {

class DataPlotState;
class RecordTableModel;

// The one-page report of a recording: title and file, its times, the plot of the whole table as
// the plot window draws it (vectors on the page) with the limits as dashed lines, the summary
// table, each limited channel's time outside with its 15 longest excursions, and a footer.
// Limits are told apart by line style as well as colour, so the page reads in black and white.
class SummaryReport
{
public:
    static constexpr int ListedExcursions = 15;

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
    // degrees and per cent; the defaults where there is nothing to hold.
    static GraphScales fittingScales(const SummaryFigures &figures);

    // Writes the report as a PDF file through a temporary file renamed on success; what was at
    // path stays as it was on a failure. inputs: files the report may not overwrite.
    static bool write(const QString &path, const QStringList &inputs, const RecordTableModel &table,
                      const SummaryFigures &figures, const Options &options, QString *error);

private:
    SummaryReport(QPainter *painter, const QRectF &page, const RecordTableModel &table,
                  const SummaryFigures &figures, const Options &options);
    void paint();
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
    void drawFooter();
    static Qt::PenStyle limitStyle(SummaryChannel channel);

    QPainter *m_painter;
    QRectF m_page;
    const RecordTableModel &m_table;
    const SummaryFigures &m_figures;
    const Options &m_options;
};

} // namespace dewscope
