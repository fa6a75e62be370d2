#include "cli/CommandInput.h"

#include "recording/DataFile.h"
#include "recording/DataFileReader.h"
#include "tables/RecordTableModel.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace dewscope::cli {

std::optional<int> readTable(const CommandOptions &options, const QString &file,
                             RecordTableModel *table, bool *full, bool stdinAllowed)
{
    const bool stdIn = stdinAllowed && file == QLatin1String("-");
    const QString whyNot = stdIn ? QString() : DataFile::whyNotReadable(file);
    if (!whyNot.isEmpty())
        return options.failure(whyNot);
    QFile input(file);
    if (!(stdIn ? input.open(0, QIODevice::ReadOnly) : input.open(QIODevice::ReadOnly)))
        return options.failure(QStringLiteral("cannot open %1: %2").arg(file, input.errorString()));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    DataFileReader reader(&input);
    reader.setHash(&hash);
    QString item;
    bool tableFull = false;
    while (!tableFull && reader.next(&item) == DataFileReader::Status::Item)
        tableFull = !table->addItem(item);
    // The rest of a file cut short is still read, so that its digest is the whole file's.
    while (reader.next(&item) == DataFileReader::Status::Item) { }
    if (reader.hasError())
        return options.failure(
            QStringLiteral("reading %1 failed: %2").arg(file, input.errorString()));
    if (full)
        *full = tableFull;
    // What the table was read from, for a report to name; a table cut short still names every
    // byte read.
    table->setSource(stdIn ? standardInputName() : QFileInfo(file).fileName());
    table->setSourceFile({ stdIn ? standardInputName() : file, reader.bytesRead(),
                           hash.result().toHex() });
    return std::nullopt;
}

int refuseTooManyRows(const CommandOptions &options, const QString &file)
{
    return options.failure(QStringLiteral("%1 holds more than %2 rows, the most a table takes: "
                                          "nothing was written (summary and report read a file "
                                          "of any length)")
                               .arg(file)
                               .arg(RecordTableModel::MaxRows));
}

std::optional<int> refuseFileWithData(const CommandOptions &options, const QString &file)
{
    const QFileInfo existing(file);
    if (options.isSet(QStringLiteral("force")) || !existing.isFile() || existing.size() == 0)
        return std::nullopt;
    return options.failure(file
                           + QStringLiteral(" already holds data; give --force to "
                                            "overwrite it"));
}

void addScaleOptions(CommandOptions &options)
{
    options.add(QStringLiteral("celsius"), QString::fromUtf8("the temperature scale in °C"),
                QStringLiteral("MIN,MAX"));
    options.add(QStringLiteral("fahrenheit"), QString::fromUtf8("the temperature scale in °F"),
                QStringLiteral("MIN,MAX"));
    options.add(QStringLiteral("rh"), QStringLiteral("the humidity scale in %"),
                QStringLiteral("MIN,MAX"));
}

std::optional<int> readScaleOptions(const CommandOptions &options, ScaleBoxes *boxes)
{
    const QString celsius = options.value(QStringLiteral("celsius")).trimmed();
    const QString fahrenheit = options.value(QStringLiteral("fahrenheit")).trimmed();
    const QString rh = options.value(QStringLiteral("rh")).trimmed();
    if (!celsius.isEmpty() && !fahrenheit.isEmpty())
        return options.usageError(QStringLiteral("give --celsius or --fahrenheit, not both"));
    const auto split = [](const QString &pair, QString *min, QString *max) {
        const QStringList parts = pair.split(QLatin1Char(','));
        if (parts.size() != 2)
            return false;
        *min = parts.at(0).trimmed();
        *max = parts.at(1).trimmed();
        return true;
    };
    const QString temperature = celsius.isEmpty() ? fahrenheit : celsius;
    boxes->celsius = fahrenheit.isEmpty();
    boxes->temperatureGiven = !temperature.isEmpty();
    boxes->humidityGiven = !rh.isEmpty();
    if ((boxes->temperatureGiven && !split(temperature, &boxes->min, &boxes->max))
        || (boxes->humidityGiven && !split(rh, &boxes->minRH, &boxes->maxRH)))
        return options.usageError(QStringLiteral("a scale is given as MIN,MAX"));
    return std::nullopt;
}

} // namespace dewscope::cli
