#pragma once

#include "cli/CommandOptions.h"

#include <QString>

#include <optional>

namespace dewscope {
class RecordTableModel;
}

namespace dewscope::cli {

// Reads a data file into a table as "Open" reads it: regular files only, rows beyond the
// table's limit left out (*full tells). "-" reads standard input when stdinAllowed. The table's
// source file tells the bytes read and their SHA-256. Nothing when it was read; otherwise
// Failure, the reason said on stderr.
std::optional<int> readTable(const CommandOptions &options, const QString &file,
                             RecordTableModel *table, bool *full = nullptr,
                             bool stdinAllowed = false);

// What a report calls standard input.
inline QString standardInputName()
{
    return QStringLiteral("standard input");
}

// A data file with more rows than a table takes: plot and print draw no part of it. Returns
// Failure, said on stderr.
int refuseTooManyRows(const CommandOptions &options, const QString &file);

// A file the command would replace: one that already holds data is refused unless --force was
// given. Nothing when it may be written; otherwise Failure, said on stderr.
std::optional<int> refuseFileWithData(const CommandOptions &options, const QString &file);

// The scales of plot and report as the range dialogs' boxes: --celsius or --fahrenheit
// MIN,MAX and --rh MIN,MAX.
struct ScaleBoxes
{
    bool celsius = true;
    QString min, max, minRH, maxRH; // the boxes' texts: the defaults, then those given
    bool temperatureGiven = false;
    bool humidityGiven = false;
};
void addScaleOptions(CommandOptions &options);
// Fills the boxes given on the command line. Nothing when they read; otherwise UsageError,
// said on stderr.
std::optional<int> readScaleOptions(const CommandOptions &options, ScaleBoxes *boxes);

} // namespace dewscope::cli
