#pragma once

#include "cli/CommandOptions.h"

#include "alarms/AlarmSettings.h"

#include <QStringList>

#include <optional>

namespace dewscope::cli {

// The alarm options of watch, record and publish: limits, unit, delays, hysteresis, the alarm
// log and the command run per event.
struct AlarmOptions
{
    AlarmSettings settings;
    QString logPath;
    QStringList command; // program and arguments; empty: none
    bool given = false; // any alarm option was given

    static void addOptions(CommandOptions &options);
    // Nothing when the options read; otherwise the exit code, the reason said on stderr.
    std::optional<int> read(const CommandOptions &options);
};

} // namespace dewscope::cli
