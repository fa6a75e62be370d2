#pragma once

#include "cli/AlarmOptions.h"
#include "cli/Command.h"

#include "alarms/AlarmWatcher.h"

#include <memory>

namespace dewscope {
class AlarmCommands;
}

namespace dewscope::cli {

// The alarms of a headless command: the watcher on its poll, each event printed (as text or a
// JSON object per line) to the given stream, written to the log and handed to the command;
// whatever goes wrong with the log or the command said on stderr with the command's name.
class AlarmRun
{
public:
    AlarmRun(const char *command, const AlarmOptions &options, Poll *poll, const SharedState *state,
             const QString &port, QTextStream &events, bool json, Io &io);
    ~AlarmRun();

    AlarmWatcher &watcher() { return m_watcher; }
    void start() { m_watcher.start(); }
    // Gives running commands their last seconds.
    void finish();

private:
    void say(const QString &text);

    QString m_prefix;
    Io &m_io;
    AlarmWatcher m_watcher;
    std::unique_ptr<AlarmCommands> m_commands;
};

} // namespace dewscope::cli
