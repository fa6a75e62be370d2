#include "cli/Command.h"
#include "cli/CommandInput.h"
#include "cli/CommandOptions.h"

#include "graphs/DataPlotState.h"
#include "graphs/DrawingSurface.h"
#include "graphs/PlotPainter.h"
#include "graphs/PlotRangeCheck.h"
#include "recording/OutputFile.h"
#include "tables/RecordTableModel.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QRegularExpression>

namespace dewscope::cli {

namespace {

// A picture larger than this is not a plot anyone looks at, and would take gigabytes to draw.
constexpr int MaxSide = 10000;

QString numberText(float value)
{
    return QString::number(double(value), 'g', 7);
}

} // namespace

int runPlot(const QStringList &args, Io &io)
{
    CommandOptions options("plot", io);
    const auto add = [&options](const char *option, const char *valueName, const char *text) {
        options.add(QString::fromLatin1(option), QString::fromUtf8(text),
                    QString::fromLatin1(valueName));
    };
    add("png", "OUT", "the PNG file to write");
    add("size", "WIDTHxHEIGHT", "the window's client area in pixels (default 659x518)");
    add("from", "N", "the first row of the span (the whole table by default)");
    add("to", "M", "the last row of the span");
    addScaleOptions(options);
    options.addNote(QStringLiteral(
        "Ranges are checked as the range dialog checks them; a refusal prints its message. The "
        "scales not given are -20,60 °C and 0,100 %."));
    if (const auto code = options.parse(args))
        return *code;
    if (options.positional().size() > 1)
        return options.usageError(QStringLiteral("give one data FILE"));
    const QString file = options.positional().value(0);
    const auto value
        = [&options](const char *option) { return options.value(QString::fromLatin1(option)); };
    const QString png = value("png"), sizeText = value("size"), from = value("from"),
                  to = value("to");
    QSize size(DataPlotState::twipsToPixels(DataPlotState::OpeningClientWidthTwips),
               DataPlotState::twipsToPixels(DataPlotState::OpeningClientHeightTwips));
    if (!sizeText.isEmpty()) {
        const auto match
            = QRegularExpression(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$")).match(sizeText);
        if (!match.hasMatch())
            return options.usageError(QStringLiteral("--size takes WIDTHxHEIGHT in pixels"));
        size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
        if (size.width() > MaxSide || size.height() > MaxSide)
            return options.usageError(
                QStringLiteral("--size is at most %1x%1 pixels").arg(MaxSide));
    }
    if (file.isEmpty() || png.isEmpty())
        return options.usageError(QStringLiteral("give a data FILE and --png OUT"));
    // The plot as the Plot key opens it; the boxes not given as the range dialog shows them.
    DataPlotState state;
    state.resetScales();
    ScaleBoxes scales { true, numberText(state.minC), numberText(state.maxC),
                        numberText(state.minRH), numberText(state.maxRH) };
    if (const auto code = readScaleOptions(options, &scales))
        return *code;
    const int minWidth = DataPlotState::twipsToPixels(DataPlotState::MinimumWidthTwips);
    const int minHeight = DataPlotState::twipsToPixels(DataPlotState::MinimumHeightTwips);
    if (size.width() < minWidth || size.height() < minHeight)
        return options.usageError(
            QStringLiteral("the plot is at least %1x%2 pixels").arg(minWidth).arg(minHeight));
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return options.failure(QStringLiteral("drawing is not available in this process"));

    RecordTableModel table;
    bool full = false;
    if (const auto code = readTable(options, file, &table, &full))
        return *code;
    if (full)
        return refuseTooManyRows(options, file);

    // The ranges as the range dialog takes them.
    state.spanWholeTable(table.rows() - 1);
    if (!(from + to).isEmpty() || scales.temperatureGiven || scales.humidityGiven) {
        PlotRangeCheck::Input boxes;
        boxes.celsius = scales.celsius;
        boxes.max = scales.max;
        boxes.min = scales.min;
        boxes.maxRH = scales.maxRH;
        boxes.minRH = scales.minRH;
        boxes.from = from.isEmpty() ? numberText(state.from) : from;
        boxes.to = to.isEmpty() ? numberText(state.to) : to;
        const auto result = PlotRangeCheck::apply(boxes, &state);
        if (result.outcome == PlotRangeCheck::Outcome::Rejected) {
            io.err << result.message << "\n";
            return UsageError;
        }
        if (result.outcome == PlotRangeCheck::Outcome::ConversionFailed)
            return options.usageError(QStringLiteral("a range is not a number"));
    }

    // Written beside OUT and renamed over it once complete: a failure leaves OUT as it was.
    OutputFile output(png, { file });
    if (!output.open())
        return options.failure(output.errorString());
    DrawingSurface surface(PlotPainter::font(), PlotPainter::backColor());
    surface.setImageSize(size);
    PlotPainter painter(&surface, &state);
    if (painter.drawAll(&table) != PlotPainter::Progress::Finished)
        return options.failure(QStringLiteral("the table cannot be plotted"));
    // Encoded in memory first: the PNG library cannot be stopped cleanly half-way by a file
    // that refuses its bytes (it leaks and prints its own error), our device can.
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    QImageWriter writer(&encoded, "PNG");
    const bool encodedWhole = writer.write(surface.image());
    const bool saved
        = encodedWhole && output.device()->write(encoded.data()) == encoded.data().size();
    if (!saved)
        output.abandon(encodedWhole ? QString() : writer.errorString());
    if (!saved || !output.commit())
        return options.failure(output.errorString());
    return Success;
}

} // namespace dewscope::cli
