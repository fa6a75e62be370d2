#include "cli/Command.h"
#include "cli/CommandOptions.h"

#include "graphs/DataPlotState.h"
#include "graphs/DrawingSurface.h"
#include "graphs/PlotPainter.h"
#include "graphs/PlotRangeCheck.h"
#include "recording/DataFile.h"
#include "recording/DataFileReader.h"
#include "recording/OutputFile.h"
#include "tables/RecordTableModel.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>

namespace dewscope::cli {

namespace {

// A picture larger than this is not a plot anyone looks at, and would take gigabytes to draw.
constexpr int MaxSide = 10000;

// "MIN,MAX" as the dialog's Min and Max boxes.
bool splitPair(const QString &text, QString *min, QString *max)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return false;
    *min = parts.at(0).trimmed();
    *max = parts.at(1).trimmed();
    return true;
}

QString numberText(float value)
{
    return QString::number(double(value), 'g', 7);
}

} // namespace

int runPlot(const QStringList &args, Io &io)
{
    const QString name = QStringLiteral("dewscope-cli plot: ");
    CommandOptions options("plot", io);
    const auto add = [&options](const char *option, const char *valueName, const char *text) {
        options.add(QString::fromLatin1(option), QString::fromUtf8(text),
                    QString::fromLatin1(valueName));
    };
    add("png", "OUT", "the PNG file to write");
    add("size", "WIDTHxHEIGHT", "the window's client area in pixels (default 659x518)");
    add("from", "N", "the first row of the span (the whole table by default)");
    add("to", "M", "the last row of the span");
    add("celsius", "MIN,MAX", "the temperature scale in °C (default -20,60)");
    add("fahrenheit", "MIN,MAX", "the temperature scale in °F");
    add("rh", "MIN,MAX", "the humidity scale in % (default 0,100)");
    options.addNote(QStringLiteral(
        "Ranges are checked as the range dialog checks them; a refusal prints its message."));
    if (const auto code = options.parse(args))
        return *code;
    if (options.positional().size() > 1)
        return options.usageError(QStringLiteral("give one data FILE"));
    const QString file = options.positional().value(0);
    const auto value
        = [&options](const char *option) { return options.value(QString::fromLatin1(option)); };
    const QString png = value("png"), sizeText = value("size"), from = value("from"),
                  to = value("to"), celsius = value("celsius"), fahrenheit = value("fahrenheit"),
                  rh = value("rh");
    QSize size(DataPlotState::twipsToPixels(DataPlotState::OpeningClientWidthTwips),
               DataPlotState::twipsToPixels(DataPlotState::OpeningClientHeightTwips));
    if (!sizeText.isEmpty()) {
        const auto match
            = QRegularExpression(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$")).match(sizeText);
        if (!match.hasMatch()) {
            io.err << name << "--size takes WIDTHxHEIGHT in pixels\n";
            return UsageError;
        }
        size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
        if (size.width() > MaxSide || size.height() > MaxSide)
            return options.usageError(
                QStringLiteral("--size is at most %1x%1 pixels").arg(MaxSide));
    }
    if (file.isEmpty() || png.isEmpty()) {
        io.err << name << "give a data FILE and --png OUT\n";
        return UsageError;
    }
    if (!celsius.isEmpty() && !fahrenheit.isEmpty()) {
        io.err << name << "give --celsius or --fahrenheit, not both\n";
        return UsageError;
    }
    const int minWidth = DataPlotState::twipsToPixels(DataPlotState::MinimumWidthTwips);
    const int minHeight = DataPlotState::twipsToPixels(DataPlotState::MinimumHeightTwips);
    if (size.width() < minWidth || size.height() < minHeight) {
        io.err << name << "the plot is at least " << minWidth << "x" << minHeight << " pixels\n";
        return Failure;
    }
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        io.err << name << "drawing is not available in this process\n";
        return Failure;
    }

    // The file into a table, as Open reads it.
    const QString whyNot = DataFile::whyNotReadable(file);
    if (!whyNot.isEmpty()) {
        io.err << name << whyNot << "\n";
        return Failure;
    }
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        io.err << name << "cannot open " << file << ": " << input.errorString() << "\n";
        return Failure;
    }
    RecordTableModel table;
    DataFileReader reader(&input);
    QString item;
    while (reader.next(&item) == DataFileReader::Status::Item && table.addItem(item)) { }
    if (reader.hasError()) {
        io.err << name << "reading " << file << " failed: " << input.errorString() << "\n";
        return Failure;
    }

    // The plot as the Plot key opens it, then the ranges as the range dialog takes them, with
    // the boxes not given as the dialog shows them.
    DataPlotState state;
    state.resetScales();
    state.spanWholeTable(table.rows() - 1);
    if (!(from + to + celsius + fahrenheit + rh).isEmpty()) {
        PlotRangeCheck::Input boxes;
        boxes.celsius = fahrenheit.isEmpty();
        boxes.max = numberText(state.maxC);
        boxes.min = numberText(state.minC);
        boxes.maxRH = numberText(state.maxRH);
        boxes.minRH = numberText(state.minRH);
        boxes.from = from.isEmpty() ? numberText(state.from) : from;
        boxes.to = to.isEmpty() ? numberText(state.to) : to;
        const QString temperature = celsius.isEmpty() ? fahrenheit : celsius;
        if ((!temperature.isEmpty() && !splitPair(temperature, &boxes.min, &boxes.max))
            || (!rh.isEmpty() && !splitPair(rh, &boxes.minRH, &boxes.maxRH))) {
            io.err << name << "a range is given as MIN,MAX\n";
            return UsageError;
        }
        const auto result = PlotRangeCheck::apply(boxes, &state);
        if (result.outcome == PlotRangeCheck::Outcome::Rejected) {
            io.err << result.message << "\n";
            return Failure;
        }
        if (result.outcome == PlotRangeCheck::Outcome::ConversionFailed) {
            io.err << name << "a range is not a number\n";
            return Failure;
        }
    }

    // Written beside OUT and renamed over it once complete: a failure leaves OUT as it was.
    OutputFile output(png, { file });
    if (!output.open()) {
        io.err << name << output.errorString() << "\n";
        return Failure;
    }
    DrawingSurface surface(PlotPainter::font(), PlotPainter::backColor());
    surface.setImageSize(size);
    PlotPainter painter(&surface, &state);
    if (painter.drawAll(&table) != PlotPainter::Progress::Finished) {
        io.err << name << "the table cannot be plotted\n";
        return Failure;
    }
    const bool saved = surface.image().save(output.device(), "PNG");
    if (!saved)
        output.abandon();
    if (!saved || !output.commit()) {
        io.err << name << output.errorString() << "\n";
        return Failure;
    }
    return Success;
}

} // namespace dewscope::cli
