#pragma once

#include "cli/CommandOptions.h"
#include "summary/SummaryFigures.h"
#include "tables/SourceFile.h"

#include <QStringView>

#include <functional>
#include <memory>
#include <optional>

class QCryptographicHash;
class QTemporaryFile;

namespace dewscope::cli {

// The option NAME as "LOW,HIGH", either side empty. Nothing when it reads or is not given;
// otherwise the exit code, the reason said on stderr.
std::optional<int> readLimits(const CommandOptions &options, const QString &name,
                              SummaryLimits *limits);

// What summary and report share: the limit, unit and activation-energy options, the data file
// read row by row as "Open" reads it, but whole and without keeping its rows, and its figures.
struct SummaryInput
{
    using Each = std::function<void(QStringView)>;

    QString file; // as given; "-" is standard input
    QString name; // as a report names it: the file's name, or "standard input"
    std::optional<SourceFile> source; // the bytes read and their digest
    SummarySettings settings;
    SummaryFigures figures;

    static void addOptions(CommandOptions &options);
    // Reads the options and the file and sums it up. Nothing when the command goes on;
    // otherwise the exit code, the reason said on stderr. Lines split at commas are told on
    // stderr.
    std::optional<int> read(const CommandOptions &options);
    // Reads the file's rows again, in order, each as the table keeps it (cells joined by TAB).
    // False when reading failed, *error telling why.
    bool readRows(const Each &each, QString *error) const;

private:
    // Standard input into a temporary file, which m_path then names.
    bool copyStandardInput(QString *error);
    static bool readRows(const QString &file, const Each &each, qint64 *linesSplitAtCommas,
                         QString *error, QCryptographicHash *hash = nullptr,
                         qint64 *bytes = nullptr);

    QString m_path; // what is read: the file, or the copy of standard input
    std::shared_ptr<QTemporaryFile> m_stdinCopy;
};

} // namespace dewscope::cli
