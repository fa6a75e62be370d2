#include "cli/SummaryInput.h"

#include "recording/DataFile.h"
#include "recording/DataFileReader.h"
#include "summary/RecordSummary.h"
#include "tables/RecordTableModel.h"

#include <QFile>
#include <QLocale>

#include <cmath>

namespace dewscope::cli {

std::optional<int> readLimits(const CommandOptions &options, const QString &name,
                              SummaryLimits *limits)
{
    if (!options.isSet(name))
        return std::nullopt;
    const QStringList sides = options.value(name).split(QLatin1Char(','));
    if (sides.size() != 2 || (sides[0].trimmed().isEmpty() && sides[1].trimmed().isEmpty()))
        return options.usageError(
            QStringLiteral("--%1 takes LOW,HIGH (either may be empty: ,8 is a high limit only)")
                .arg(name));
    std::optional<double> values[2];
    for (int i = 0; i < 2; ++i) {
        const QString side = sides[i].trimmed();
        if (side.isEmpty())
            continue;
        bool ok = false;
        const double value = QLocale::c().toDouble(side, &ok);
        if (!ok || !std::isfinite(value))
            return options.failure(
                QStringLiteral("--%1: the limit \"%2\" is not a number").arg(name, side));
        values[i] = value;
    }
    if (values[0] && values[1] && *values[0] > *values[1])
        return options.failure(QStringLiteral("--%1: the low limit %2 lies above the high limit %3")
                                   .arg(name, sides[0].trimmed(), sides[1].trimmed()));
    *limits = { values[0], values[1] };
    return std::nullopt;
}

void SummaryInput::addOptions(CommandOptions &options)
{
    options.add(QStringLiteral("temp-limits"),
                QStringLiteral("temperature limits LOW,HIGH in the unit of --unit (,8 is a high "
                               "limit only)"),
                QStringLiteral("LOW,HIGH"));
    options.add(QStringLiteral("rh-limits"), QStringLiteral("humidity limits LOW,HIGH in %"),
                QStringLiteral("LOW,HIGH"));
    options.add(QStringLiteral("unit"),
                QStringLiteral("c (default) or f: the temperature columns the limits and the "
                               "table use"),
                QStringLiteral("c|f"));
    options.add(QStringLiteral("start-date"),
                QStringLiteral("the first row's date, for a table without dates (its other rows "
                               "follow from their times)"),
                QStringLiteral("YYYY-MM-DD"));
    options.add(QStringLiteral("activation-energy"),
                QString::fromUtf8("ΔH of the mean kinetic temperature (default 83.144)"),
                QStringLiteral("KJ_PER_MOL"));
}

std::optional<int> SummaryInput::read(const CommandOptions &options)
{
    if (options.positional().size() != 1)
        return options.usageError(QStringLiteral("give one data FILE"));
    file = options.positional().first();
    const QString unit = options.value(QStringLiteral("unit"), QStringLiteral("c")).toLower();
    if (unit != QLatin1String("c") && unit != QLatin1String("f"))
        return options.usageError(QStringLiteral("--unit takes c or f"));
    settings.fahrenheit = unit == QLatin1String("f");
    int code = Success;
    if (const auto energy = options.number(QStringLiteral("activation-energy"), 1, 1000, &code))
        settings.activationEnergy = *energy;
    if (code != Success)
        return code;
    if (const auto bad = readLimits(options, QStringLiteral("temp-limits"), &settings.temperature))
        return bad;
    if (const auto bad = readLimits(options, QStringLiteral("rh-limits"), &settings.humidity))
        return bad;

    if (options.isSet(QStringLiteral("start-date"))) {
        const QDate date
            = QDate::fromString(options.value(QStringLiteral("start-date")), Qt::ISODate);
        if (!date.isValid() || options.value(QStringLiteral("start-date")).size() != 10)
            return options.usageError(QStringLiteral("--start-date takes a date YYYY-MM-DD"));
        settings.startDate = date;
    }

    const QString whyNot = DataFile::whyNotReadable(file);
    if (!whyNot.isEmpty())
        return options.failure(whyNot);
    RecordSummary summary(settings);
    QString error;
    qint64 split = 0;
    if (!readRows(
            file, [&summary](QStringView row) { summary.addRow(row); }, &split, &error))
        return options.failure(error);
    figures = summary.figures();
    figures.file = file;
    figures.linesSplitAtCommas = split;
    if (split > 0)
        options.failure(QStringLiteral("%1 line(s) of %2 held commas and were read as more than "
                                       "one row each: a decimal comma (\"25,5\") is not read as "
                                       "a decimal point, so the figures may be wrong")
                            .arg(split)
                            .arg(file));
    if (figures.records == 0)
        return options.failure(QStringLiteral("%1 holds no record with a readable time").arg(file));
    if (figures.dated && settings.startDate)
        return options.usageError(
            QStringLiteral("%1 carries its dates; --start-date is only for a table without them")
                .arg(file));
    return std::nullopt;
}

bool SummaryInput::readRows(const Each &each, QString *error) const
{
    qint64 split = 0;
    return readRows(file, each, &split, error);
}

bool SummaryInput::readRows(const QString &file, const Each &each, qint64 *linesSplitAtCommas,
                            QString *error)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(file, input.errorString());
        return false;
    }
    DataFileReader reader(&input);
    QString item;
    bool lineGoesOn = false; // the item before ended at a comma
    while (reader.next(&item) == DataFileReader::Status::Item) {
        if (reader.endedAtComma() && !lineGoesOn)
            ++*linesSplitAtCommas;
        lineGoesOn = reader.endedAtComma();
        each(RecordTableModel::compactRow(item));
    }
    if (reader.hasError()) {
        *error = QStringLiteral("reading %1 failed: %2").arg(file, input.errorString());
        return false;
    }
    return true;
}

} // namespace dewscope::cli
