#include "cli/Command.h"
#include "cli/CommandInput.h"
#include "cli/CommandOptions.h"
#include "cli/SummaryInput.h"

#include "graphs/ScaleRangeCheck.h"
#include "summary/SummaryReport.h"

#include <QGuiApplication>

namespace dewscope::cli {

int runReport(const QStringList &args, Io &io)
{
    CommandOptions options("report", io);
    options.add(QStringLiteral("pdf"), QStringLiteral("the PDF file to write"),
                QStringLiteral("OUT"));
    SummaryInput::addOptions(options);
    options.add(QStringLiteral("title"), QStringLiteral("the title (default \"Recording report\")"),
                QStringLiteral("TEXT"));
    options.add(QStringLiteral("location"),
                QStringLiteral("where the recording was made, under the title (e.g. \"Cold room "
                               "4, building B\")"),
                QStringLiteral("TEXT"));
    options.add(QStringLiteral("page"), QStringLiteral("the paper: a4 (default) or letter"),
                QStringLiteral("SIZE"));
    addScaleOptions(options);
    options.addNote(QStringLiteral(
        "Scales are checked as the plot's range dialog checks them; a scale not given holds the "
        "data and the limits, widened to whole degrees and per cent."));
    if (const auto code = options.parse(args))
        return *code;
    const auto value = [&options](const char *name) {
        return options.value(QString::fromLatin1(name)).trimmed();
    };
    const QString pdf = value("pdf"), page = value("page").toLower();
    if (pdf.isEmpty())
        return options.usageError(QStringLiteral("give --pdf OUT"));
    if (!page.isEmpty() && page != QLatin1String("a4") && page != QLatin1String("letter"))
        return options.usageError(QStringLiteral("--page takes a4 or letter"));
    ScaleBoxes scales { true, QStringLiteral("-20"), QStringLiteral("60"), QStringLiteral("0"),
                        QStringLiteral("100") };
    if (const auto code = readScaleOptions(options, &scales))
        return *code;
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return options.failure(QStringLiteral("drawing is not available in this process"));
    SummaryInput input;
    if (const auto code = input.read(options))
        return *code;

    SummaryReport::Options report;
    report.title = options.value(QStringLiteral("title"), report.title);
    report.location = options.value(QStringLiteral("location"));
    report.fileName = input.name;
    report.sourceFile = input.source;
    report.page = page == QLatin1String("letter") ? QPageSize::Letter : QPageSize::A4;
    report.fahrenheit = input.settings.fahrenheit;
    report.scales = SummaryReport::fittingScales(input.figures);
    if (scales.temperatureGiven || scales.humidityGiven) {
        // The scales given, checked as the range dialog checks its boxes.
        GraphScales given;
        const auto result = ScaleRangeCheck::applyScales(scales.celsius, scales.max, scales.min,
                                                         scales.maxRH, scales.minRH, &given);
        if (result.outcome == ScaleRangeCheck::Outcome::Rejected)
            return options.usageError(result.message);
        if (result.outcome == ScaleRangeCheck::Outcome::ConversionFailed)
            return options.usageError(QStringLiteral("a scale is not a number"));
        if (scales.temperatureGiven) {
            report.scales.maxC = given.maxC, report.scales.minC = given.minC;
            report.scales.maxF = given.maxF, report.scales.minF = given.minF;
        }
        if (scales.humidityGiven)
            report.scales.maxRH = given.maxRH, report.scales.minRH = given.minRH;
    }
    // The plot reads the file a second time, now that the rows and scales are known.
    SummaryReport::Rows rows;
    rows.count = input.figures.records + input.figures.rowsWithoutTime;
    rows.read = [&input](const SummaryReport::Rows::Each &each, QString *error) {
        return input.readRows(each, error);
    };
    QString error;
    if (!SummaryReport::write(pdf, { input.file }, rows, input.figures, report, &error))
        return options.failure(QStringLiteral("cannot write %1: %2").arg(pdf, error));
    io.out << input.figures.records << " records reported in " << pdf << "\n";
    return Success;
}

} // namespace dewscope::cli
