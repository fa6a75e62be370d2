#include "cli/AlarmRun.h"

#include "alarms/AlarmCommands.h"

#include <QJsonDocument>

namespace dewscope::cli {

AlarmRun::AlarmRun(const char *command, const AlarmOptions &options, Poll *poll,
                   const SharedState *state, const QString &port, QTextStream &events, bool json,
                   Io &io)
    : m_prefix(QStringLiteral("dewscope-cli ") + QLatin1String(command) + QStringLiteral(": "))
    , m_io(io)
    , m_watcher(poll, state)
{
    m_watcher.setSettings(options.settings);
    m_watcher.setLogPath(options.logPath);
    if (!options.command.isEmpty()) {
        m_commands = std::make_unique<AlarmCommands>(options.command, port);
        QObject::connect(m_commands.get(), &AlarmCommands::problem, &m_watcher,
                         [this](const QString &message) {
                             say(message);
                             m_watcher.logNote(message);
                         });
    }
    QObject::connect(&m_watcher, &AlarmWatcher::alarmEvent, &m_watcher,
                     [this, &events, json](const AlarmEvent &event) {
                         if (json)
                             events << QJsonDocument(event.json()).toJson(QJsonDocument::Compact)
                                    << '\n';
                         else
                             events << (&events == &m_io.err ? m_prefix : QString()) << event.text()
                                    << '\n';
                         events.flush();
                         if (m_commands)
                             m_commands->run(event);
                     });
    QObject::connect(&m_watcher, &AlarmWatcher::logFailed, &m_watcher,
                     [this](const QString &reason) {
                         say(QStringLiteral("cannot write to the alarm log %1: %2; still trying")
                                 .arg(m_watcher.logPath(), reason));
                     });
    QObject::connect(&m_watcher, &AlarmWatcher::logRecovered, &m_watcher, [this] {
        say(QStringLiteral("writing to the alarm log %1 again").arg(m_watcher.logPath()));
    });
}

AlarmRun::~AlarmRun() = default;

void AlarmRun::finish()
{
    if (m_commands)
        m_commands->finish();
}

void AlarmRun::say(const QString &text)
{
    m_io.err << m_prefix << text << '\n';
    m_io.err.flush();
}

} // namespace dewscope::cli
