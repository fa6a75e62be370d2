#include "recording/CheckedWrites.h"

#include <cerrno>
#include <cstring>

namespace dewscope {

CheckedWrites::CheckedWrites(QIODevice *target, QObject *parent)
    : QIODevice(parent)
    , m_target(target)
{
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 CheckedWrites::readData(char *, qint64)
{
    return -1;
}

qint64 CheckedWrites::writeData(const char *data, qint64 size)
{
    if (m_failed)
        return -1;
    qint64 done = 0;
    while (done < size) {
        errno = 0;
        const qint64 taken = m_target ? m_target->write(data + done, size - done) : -1;
        if (taken <= 0) {
            const int error = errno;
            m_failed = true;
            if (error != 0)
                m_reason = QString::fromLocal8Bit(std::strerror(error));
            else if (m_target && !m_target->errorString().isEmpty()
                     && m_target->errorString() != QLatin1String("Unknown error"))
                m_reason = m_target->errorString();
            else
                m_reason = tr("only %1 of %2 bytes were taken").arg(m_written + done).arg(
                    m_written + size);
            setErrorString(m_reason);
            break;
        }
        done += taken;
    }
    m_written += done;
    return done > 0 ? done : -1;
}

} // namespace dewscope
