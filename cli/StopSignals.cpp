#include "cli/StopSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace dewscope::cli {

namespace {

int g_pipe[2] = { -1, -1 };
struct sigaction g_previousInt;
struct sigaction g_previousTerm;
struct sigaction g_previousHup;
bool g_hupTaken = false;

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    if (g_pipe[1] >= 0) [[maybe_unused]]
        ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
    // One watcher at a time; a nested one stays inactive.
    if (g_pipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    ::fcntl(g_pipe[1], F_SETFL, ::fcntl(g_pipe[1], F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(g_pipe[0], &byte, 1) == 1)
            Q_EMIT stopRequested(static_cast<unsigned char>(byte));
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &g_previousInt);
    ::sigaction(SIGTERM, &action, &g_previousTerm);
    // A closed terminal stops the command as SIGTERM does, unless the command was started to
    // outlive its terminal (nohup): a hang-up ignored at the start stays ignored.
    ::sigaction(SIGHUP, nullptr, &g_previousHup);
    g_hupTaken = g_previousHup.sa_handler != SIG_IGN;
    if (g_hupTaken)
        ::sigaction(SIGHUP, &action, nullptr);
}

StopSignals::~StopSignals()
{
    if (!m_notifier)
        return;
    ::sigaction(SIGINT, &g_previousInt, nullptr);
    ::sigaction(SIGTERM, &g_previousTerm, nullptr);
    if (g_hupTaken)
        ::sigaction(SIGHUP, &g_previousHup, nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

} // namespace dewscope::cli
