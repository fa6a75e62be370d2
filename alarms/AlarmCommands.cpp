#include "alarms/AlarmCommands.h"

#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

#include <csignal>
#include <unistd.h>

namespace dewscope {

struct AlarmCommands::Running
{
    QProcess *process = nullptr;
    AlarmEvent event;
    QTimer term;
    QTimer kill;
    bool stopped = false; // SIGTERM or SIGKILL sent
};

namespace {

QString eventName(const AlarmEvent &event)
{
    return AlarmEvent::kindName(event.kind) + QLatin1Char(' ')
        + AlarmEvent::channelName(event.channel) + QLatin1Char(' ')
        + AlarmEvent::sideName(event.side);
}

} // namespace

AlarmCommands::AlarmCommands(const QStringList &command, const QString &port, QObject *parent)
    : QObject(parent)
    , m_command(command)
    , m_port(port)
{
}

AlarmCommands::~AlarmCommands()
{
    for (Running *running : std::as_const(m_running)) {
        signalGroup(running->process, SIGKILL);
        running->process->disconnect(this);
        running->process->waitForFinished(1000);
        delete running->process;
        delete running;
    }
}

std::optional<QStringList> AlarmCommands::split(const QString &line, QString *error)
{
    QStringList words;
    QString word;
    bool inWord = false;
    enum { Plain, Single, Double } quote = Plain;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quote == Single) {
            if (c == QLatin1Char('\''))
                quote = Plain;
            else
                word += c;
        } else if (quote == Double) {
            if (c == QLatin1Char('"')) {
                quote = Plain;
            } else if (c == QLatin1Char('\\') && i + 1 < line.size()
                       && QStringLiteral("\"\\$`\n").contains(line.at(i + 1))) {
                if (line.at(++i) != QLatin1Char('\n'))
                    word += line.at(i);
            } else {
                word += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == QLatin1Char('\''))
                quote = Single;
            else if (c == QLatin1Char('"'))
                quote = Double;
            else if (c != QLatin1Char('\\'))
                word += c;
            else if (++i < line.size() && line.at(i) != QLatin1Char('\n'))
                word += line.at(i);
            else if (i >= line.size()) {
                if (error)
                    *error = QStringLiteral("the command ends in a lone backslash");
                return std::nullopt;
            }
        }
    }
    if (quote != Plain) {
        if (error)
            *error = QStringLiteral("the command has an unclosed quote");
        return std::nullopt;
    }
    if (inWord)
        words.append(word);
    if (words.isEmpty()) {
        if (error)
            *error = QStringLiteral("the command is empty");
        return std::nullopt;
    }
    return words;
}

void AlarmCommands::setTimes(int termAfterMs, int killAfterMs)
{
    m_termAfterMs = termAfterMs;
    m_killAfterMs = killAfterMs;
}

void AlarmCommands::run(const AlarmEvent &event)
{
    if (int(m_waiting.size()) >= MaxWaiting) {
        ++m_dropped;
        Q_EMIT problem(QStringLiteral("%1 commands are waiting; the %2 event is dropped (%3 "
                                      "dropped so far)")
                           .arg(MaxWaiting)
                           .arg(eventName(event))
                           .arg(m_dropped));
        return;
    }
    m_waiting.push_back(event);
    startNext();
}

void AlarmCommands::startNext()
{
    while (!m_waiting.empty() && m_running.size() < MaxRunning) {
        auto *running = new Running;
        running->event = m_waiting.front();
        m_waiting.pop_front();
        auto *process = new QProcess;
        running->process = process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &pair : running->event.environment(m_port)) {
            const int equals = int(pair.indexOf(QLatin1Char('=')));
            environment.insert(pair.left(equals), pair.mid(equals + 1));
        }
        process->setProcessEnvironment(environment);
        process->setProgram(m_command.first());
        process->setArguments(m_command.mid(1));
        process->setStandardInputFile(QProcess::nullDevice());
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        // A group of its own, so that a stop reaches whatever it started; its output goes to
        // our stderr, keeping our stdout for the events.
        process->setChildProcessModifier([] {
            ::setpgid(0, 0);
            ::dup2(2, 1);
        });
        running->term.setSingleShot(true);
        running->kill.setSingleShot(true);
        connect(&running->term, &QTimer::timeout, this, [this, running] {
            running->stopped = true;
            signalGroup(running->process, SIGTERM);
            running->kill.start(m_killAfterMs);
        });
        connect(&running->kill, &QTimer::timeout, this,
                [running] { signalGroup(running->process, SIGKILL); });
        connect(process, &QProcess::finished, this, [this, process] { ended(process); });
        connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart)
                ended(process);
        });
        m_running.append(running);
        running->term.start(m_termAfterMs);
        process->start();
    }
}

void AlarmCommands::ended(QProcess *process)
{
    Running *running = nullptr;
    for (Running *r : std::as_const(m_running)) {
        if (r->process == process)
            running = r;
    }
    if (!running)
        return;
    m_running.removeOne(running);
    const QString what
        = QStringLiteral("the command for the %1 event").arg(eventName(running->event));
    if (process->error() == QProcess::FailedToStart)
        Q_EMIT problem(QStringLiteral("%1 cannot start: %2 (%3)")
                           .arg(what, m_command.first(), process->errorString()));
    else if (running->stopped && m_exiting)
        Q_EMIT problem(QStringLiteral("%1 was still running at exit and was stopped").arg(what));
    else if (running->stopped)
        Q_EMIT problem(QStringLiteral("%1 did not end within %2 s and was stopped")
                           .arg(what)
                           .arg(m_termAfterMs / 1000.0));
    else if (process->exitStatus() == QProcess::CrashExit)
        Q_EMIT problem(QStringLiteral("%1 ended by a signal").arg(what));
    else if (process->exitCode() != 0)
        Q_EMIT problem(
            QStringLiteral("%1 exited with status %2").arg(what).arg(process->exitCode()));
    process->disconnect(this);
    process->deleteLater();
    delete running;
    startNext();
}

void AlarmCommands::signalGroup(QProcess *process, int signalNumber)
{
    const qint64 pid = process->processId();
    if (pid > 0)
        ::kill(-pid_t(pid), signalNumber);
}

void AlarmCommands::finish(int graceMs)
{
    if (!m_waiting.empty())
        Q_EMIT problem(
            QStringLiteral("%1 waiting command(s) not run at exit").arg(m_waiting.size()));
    m_waiting.clear();
    m_exiting = true;
    if (m_running.isEmpty())
        return;
    QEventLoop loop;
    QTimer grace;
    grace.setSingleShot(true);
    connect(&grace, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer check;
    connect(&check, &QTimer::timeout, &loop, [&] {
        if (m_running.isEmpty())
            loop.quit();
    });
    grace.start(graceMs);
    check.start(20);
    loop.exec();
    for (Running *running : std::as_const(m_running)) {
        running->stopped = true;
        signalGroup(running->process, SIGKILL);
    }
    while (!m_running.isEmpty()) {
        QProcess *process = m_running.first()->process;
        process->waitForFinished(2000);
        ended(process);
    }
}

} // namespace dewscope
