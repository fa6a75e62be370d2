#include "cli/SummaryInput.h"

#include "cli/CommandInput.h"

#include "recording/DataFile.h"
#include "recording/DataFileReader.h"
#include "summary/RecordSummary.h"
#include "tables/RecordTableModel.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>

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
            return options.usageError(
                QStringLiteral("--%1: the limit \"%2\" is not a number").arg(name, side));
        values[i] = value;
    }
    if (values[0] && values[1] && *values[0] > *values[1])
        return options.usageError(QStringLiteral("--%1: the low limit %2 lies above the high limit %3")
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
    options.add(QStringLiteral("min-excursion"),
                QStringLiteral("list only excursions of at least this many seconds; the shorter "
                               "ones are counted, and time outside counts every second"),
                QStringLiteral("SECONDS"));
    options.addNote(QStringLiteral("A FILE of - is read from standard input."));
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
    if (const auto min = options.number(QStringLiteral("min-excursion"), 0, 31622400, &code))
        settings.minExcursion = *min;
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

    // Standard input is read once, into a temporary file: the report reads the rows twice.
    m_path = file;
    if (file == QLatin1String("-")) {
        QString error;
        if (!copyStandardInput(&error))
            return options.failure(error);
    } else if (const QString whyNot = DataFile::whyNotReadable(file); !whyNot.isEmpty()) {
        return options.failure(whyNot);
    }
    RecordSummary summary(settings);
    QString error;
    qint64 split = 0;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    SourceFile read;
    read.name = file == QLatin1String("-") ? standardInputName() : file;
    if (!readRows(
            m_path, [&summary](QStringView row) { summary.addRow(row); }, &split, &error, &hash,
            &read.size))
        return options.failure(error);
    read.sha256 = hash.result().toHex();
    source = read;
    name = file == QLatin1String("-") ? standardInputName() : QFileInfo(file).fileName();
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
    return readRows(m_path, each, &split, error);
}

bool SummaryInput::copyStandardInput(QString *error)
{
    QFile in;
    m_stdinCopy = std::make_shared<QTemporaryFile>();
    if (!in.open(0, QIODevice::ReadOnly) || !m_stdinCopy->open()) {
        *error = QStringLiteral("cannot read standard input: %1")
                     .arg(in.isOpen() ? m_stdinCopy->errorString() : in.errorString());
        return false;
    }
    for (;;) {
        const QByteArray chunk = in.read(64 * 1024);
        if (chunk.isEmpty() && in.error() == QFileDevice::NoError)
            break;
        if (chunk.isEmpty() || m_stdinCopy->write(chunk) != chunk.size()) {
            *error = QStringLiteral("cannot read standard input: %1")
                         .arg(chunk.isEmpty() ? in.errorString() : m_stdinCopy->errorString());
            return false;
        }
    }
    if (!m_stdinCopy->flush()) {
        *error = QStringLiteral("cannot read standard input: %1").arg(m_stdinCopy->errorString());
        return false;
    }
    m_path = m_stdinCopy->fileName();
    return true;
}

bool SummaryInput::readRows(const QString &file, const Each &each, qint64 *linesSplitAtCommas,
                            QString *error, QCryptographicHash *hash, qint64 *bytes)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(file, input.errorString());
        return false;
    }
    DataFileReader reader(&input);
    reader.setHash(hash);
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
    if (bytes)
        *bytes = reader.bytesRead();
    return true;
}

} // namespace dewscope::cli
