#pragma once

#include "alarms/AlarmEvent.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <deque>
#include <optional>

class QProcess;

namespace dewscope {

// Runs a user's command for every alarm event: never through a shell, with the event in its
// environment (DEWSCOPE_EVENT and the others), in a process group of its own, its output on our
// stderr. A command still running after 30 s gets SIGTERM on its group, SIGKILL 5 s later. At
// most four run at once; further events wait in order, at most 100, beyond which they are
// dropped. Whatever goes wrong is said through problem().
class AlarmCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxRunning = 4;
    static constexpr int MaxWaiting = 100;
    static constexpr int TermAfterMs = 30000;
    static constexpr int KillAfterMs = 5000;
    static constexpr int ExitGraceMs = 5000;

    // program and arguments: the first is the program, looked up on PATH.
    AlarmCommands(const QStringList &command, const QString &port, QObject *parent = nullptr);
    ~AlarmCommands() override;

    // Splits a command line as a POSIX shell would split words: blanks separate, '...' takes
    // everything literally, "..." all but \" \\ \$ \` and a backslash escapes the next
    // character; nothing is expanded. Nothing, with *error set, for unbalanced quotes or an
    // empty line.
    static std::optional<QStringList> split(const QString &line, QString *error);

    // For tests: shorter times than the 30 s and 5 s.
    void setTimes(int termAfterMs, int killAfterMs);

    void run(const AlarmEvent &event);
    int runningCount() const { return int(m_running.size()); }
    int waitingCount() const { return int(m_waiting.size()); }

    // At exit: waiting events are given up; running commands get graceMs, then SIGKILL.
    // Runs its own event loop meanwhile.
    void finish(int graceMs = ExitGraceMs);

Q_SIGNALS:
    // A command that could not start, ended with a status other than 0, was stopped, or an
    // event dropped: the message names the command and the event.
    void problem(const QString &message);

private:
    struct Running;
    void startNext();
    void ended(QProcess *process);
    static void signalGroup(QProcess *process, int signalNumber);

    QStringList m_command;
    QString m_port;
    std::deque<AlarmEvent> m_waiting;
    QList<Running *> m_running;
    int m_termAfterMs = TermAfterMs;
    int m_killAfterMs = KillAfterMs;
    qint64 m_dropped = 0;
    bool m_exiting = false;
};

} // namespace dewscope
