#pragma once

#include "cli/CommandOptions.h"
#include "summary/SummaryFigures.h"

#include <QStringView>

#include <functional>
#include <optional>

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

    QString file;
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
    static bool readRows(const QString &file, const Each &each, qint64 *linesSplitAtCommas,
                         QString *error);
};

} // namespace dewscope::cli
