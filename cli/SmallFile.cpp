#include "cli/SmallFile.h"

#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace dewscope::cli {

bool readSmallFile(const QString &path, qint64 maxBytes, int timeoutMs, QByteArray *bytes,
                   QString *reason)
{
    const auto systemReason = [reason] {
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    };
    // Not blocking, so that opening a FIFO does not wait for a writer: poll() waits instead,
    // within the time limit.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return systemReason();
    const QDeadlineTimer deadline(timeoutMs);
    bytes->clear();
    bool ok = false;
    for (;;) {
        pollfd waiting = { fd, POLLIN, 0 };
        const int ready = ::poll(&waiting, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            systemReason();
            break;
        }
        if (ready == 0) {
            *reason = QStringLiteral("it did not end within %1 s").arg(timeoutMs / 1000.0);
            break;
        }
        // One byte beyond the limit tells a file that is too long.
        char buffer[4096];
        const qint64 wanted = qMin<qint64>(sizeof buffer, maxBytes + 1 - bytes->size());
        const ssize_t got = ::read(fd, buffer, size_t(wanted));
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got < 0) {
            systemReason();
            break;
        }
        if (got == 0) {
            ok = true;
            break;
        }
        bytes->append(buffer, got);
        if (bytes->size() > maxBytes) {
            *reason = QStringLiteral("it holds more than %1 bytes").arg(maxBytes);
            break;
        }
    }
    ::close(fd);
    return ok;
}

} // namespace dewscope::cli
