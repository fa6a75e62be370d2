#include "recording/OutputFile.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dewscope {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("OutputFile", text);
}

// "TARGET cannot be written: REASON.", the system's reason for an errno value, else fallback.
QString cannotWrite(const QString &target, int reason, const QString &fallback = QString())
{
    return tr("%1 cannot be written: %2.")
        .arg(target, reason ? QString::fromLocal8Bit(std::strerror(reason)) : fallback);
}

} // namespace

OutputFile::OutputFile(const QString &target, const QStringList &inputs)
    : m_target(target)
    , m_inputs(inputs)
    , m_file(target)
{
}

OutputFile::~OutputFile()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
}

bool OutputFile::isSameFile(const QString &a, const QString &b)
{
    struct stat first
    {
    };
    struct stat second
    {
    };
    if (::stat(QFile::encodeName(a).constData(), &first) != 0
        || ::stat(QFile::encodeName(b).constData(), &second) != 0)
        return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

QString OutputFile::whyNotWritableInPlace(const QString &target)
{
    if (target.isEmpty())
        return tr("No output file was given.");
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(target).constData(), &info) != 0)
        return errno == ENOENT ? QString() : cannotWrite(target, errno);
    if (S_ISDIR(info.st_mode))
        return tr("%1 is a folder, not a file.").arg(target);
    if (!S_ISREG(info.st_mode))
        return tr("%1 is not a regular file (a device, pipe or socket); nothing was written "
                  "to it.")
            .arg(target);
    // A file nobody may write is protected on purpose: not even the superuser replaces it.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return tr("%1 is write-protected; it was left as it is.").arg(target);
    return QString();
}

QString OutputFile::whyNotWritable(const QString &target, const QStringList &inputs)
{
    for (const QString &input : inputs) {
        if (isSameFile(target, input))
            return tr("%1 is the input file itself; give another output file.").arg(target);
    }
    if (const QString whyNot = whyNotWritableInPlace(target); !whyNot.isEmpty())
        return whyNot;
    const QByteArray name = QFile::encodeName(target);
    // The temporary file is made in the target's folder, and renamed there.
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        return cannotWrite(target, errno);
    if (::access(name.constData(), W_OK) != 0 && errno != ENOENT)
        return tr("%1 cannot be replaced: %2.")
            .arg(target, QString::fromLocal8Bit(std::strerror(errno)));
    return QString();
}

bool OutputFile::open()
{
    m_error = whyNotWritable(m_target, m_inputs);
    if (!m_error.isEmpty())
        return false;
    // Never write in place: a failure must leave the old file whole.
    m_file.setDirectWriteFallback(false);
    errno = 0;
    if (!m_file.open(QIODevice::WriteOnly)) {
        m_error = cannotWrite(m_target, errno, m_file.errorString());
        return false;
    }
    m_checked.emplace(&m_file);
    return true;
}

bool OutputFile::whole()
{
    if (!m_file.isOpen()) {
        if (m_error.isEmpty())
            m_error = tr("%1 was not written.").arg(m_target);
        return false;
    }
    // Flushed first, so that a full disk is told with the system's own reason.
    errno = 0;
    if (m_checked->failed() || !m_file.flush() || m_file.error() != QFileDevice::NoError) {
        abandon();
        return false;
    }
    struct stat info
    {
    };
    if (::fstat(m_file.handle(), &info) != 0) {
        abandon();
        return false;
    }
    if (info.st_size != m_checked->written()) {
        abandon(tr("only %1 of its %2 bytes reached the disk")
                    .arg(qint64(info.st_size))
                    .arg(m_checked->written()));
        return false;
    }
    return true;
}

bool OutputFile::commit()
{
    if (!whole())
        return false;
    errno = 0;
    if (!m_file.commit()) {
        m_error = cannotWrite(m_target, errno, m_file.errorString());
        return false;
    }
    return true;
}

// Gives the open temporary file the name, unless something holds that name (taken then).
bool OutputFile::place(const QString &name, bool *taken)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_file.handle());
    const QByteArray to = QFile::encodeName(name);
    // A second name for the open file: refused when the name exists, whatever it is.
    if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != EEXIST) {
        // A file system without hard links: the temporary file's own name, renamed without
        // replacing.
        char path[PATH_MAX];
        const ssize_t length = ::readlink(self.constData(), path, sizeof path - 1);
        if (length > 0) {
            path[length] = '\0';
            if (::renameat2(AT_FDCWD, path, AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
                return true;
        }
    }
    *taken = errno == EEXIST;
    return false;
}

bool OutputFile::commitBeside(QString *placedAt)
{
    if (!whole())
        return false;
    if (::fsync(m_file.handle()) != 0) {
        abandon();
        return false;
    }
    constexpr int MostNames = 1000;
    for (int n = 0; n <= MostNames; ++n) {
        const QString name = n == 0 ? m_target
            : n == 1                ? m_target + QLatin1String(".new")
                                    : QStringLiteral("%1.new.%2").arg(m_target).arg(n - 1);
        bool taken = false;
        if (place(name, &taken)) {
            *placedAt = name;
            cancel(); // drops the temporary name; the file keeps the new one
            return true;
        }
        if (!taken) {
            m_error = cannotWrite(name, errno);
            cancel();
            return false;
        }
    }
    m_error = tr("%1 cannot be written: it and the names %1.new to %1.new.%2 are all taken.")
                  .arg(m_target)
                  .arg(MostNames - 1);
    cancel();
    return false;
}

void OutputFile::abandon(const QString &why)
{
    const int reason = errno;
    if (m_checked && m_checked->failed())
        m_error = cannotWrite(m_target, 0, m_checked->reason());
    else if (!why.isEmpty())
        m_error = cannotWrite(m_target, 0, why);
    else
        m_error = cannotWrite(m_target, reason, m_file.errorString());
    cancel();
}

void OutputFile::cancel()
{
    if (m_file.isOpen()) {
        m_file.cancelWriting();
        m_file.commit(); // closes and removes the temporary file
    }
}

} // namespace dewscope
