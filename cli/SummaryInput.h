#pragma once

#include "cli/CommandOptions.h"
#include "summary/SummaryFigures.h"
#include "tables/RecordTableModel.h"

#include <optional>

namespace dewscope::cli {

// What summary and report share: the limit, unit and activation-energy options, the data file
// read into a table as "Open" reads it, and its figures.
// The option NAME as "LOW,HIGH", either side empty. Nothing when it reads or is not given;
// otherwise the exit code, the reason said on stderr.
std::optional<int> readLimits(const CommandOptions &options, const QString &name,
                              SummaryLimits *limits);

struct SummaryInput
{
    QString file;
    SummarySettings settings;
    RecordTableModel table;
    SummaryFigures figures;

    static void addOptions(CommandOptions &options);
    // Reads the options and the file and sums it up. Nothing when the command goes on;
    // otherwise the exit code, the reason said on stderr.
    std::optional<int> read(const CommandOptions &options);
};

} // namespace dewscope::cli
