#include "recording/OutputFile.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace dewscope {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("OutputFile", text);
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

QString OutputFile::whyNotWritable(const QString &target, const QStringList &inputs)
{
    if (target.isEmpty())
        return tr("No output file was given.");
    const QByteArray name = QFile::encodeName(target);
    struct stat info
    {
    };
    if (::stat(name.constData(), &info) != 0) {
        // Nothing there yet: the folder decides, when the temporary file is made.
        if (errno == ENOENT)
            return QString();
        return tr("%1 cannot be written: %2.")
            .arg(target, QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (S_ISDIR(info.st_mode))
        return tr("%1 is a folder, not a file.").arg(target);
    if (!S_ISREG(info.st_mode))
        return tr("%1 is not a regular file (a device, pipe or socket); nothing was written "
                  "to it.")
            .arg(target);
    for (const QString &input : inputs) {
        if (isSameFile(target, input))
            return tr("%1 is the input file itself; give another output file.").arg(target);
    }
    // A file nobody may write is protected on purpose: not even the superuser replaces it.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return tr("%1 is write-protected; it was left as it is.").arg(target);
    if (::access(name.constData(), W_OK) != 0)
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
        const int reason = errno;
        m_error = tr("%1 cannot be written: %2.")
                      .arg(m_target,
                           reason ? QString::fromLocal8Bit(std::strerror(reason))
                                  : m_file.errorString());
        return false;
    }
    return true;
}

bool OutputFile::commit()
{
    if (!m_file.isOpen()) {
        if (m_error.isEmpty())
            m_error = tr("%1 was not written.").arg(m_target);
        return false;
    }
    // The write errors of QSaveFile keep the first reason; flush to learn of a full disk now.
    errno = 0;
    const bool flushed = m_file.flush();
    const int reason = errno;
    if (!flushed || m_file.error() != QFileDevice::NoError) {
        m_error = tr("%1 cannot be written: %2.")
                      .arg(m_target,
                           reason ? QString::fromLocal8Bit(std::strerror(reason))
                                  : m_file.errorString());
        m_file.cancelWriting();
        m_file.commit(); // closes and removes the temporary file
        return false;
    }
    errno = 0;
    if (!m_file.commit()) {
        const int why = errno;
        m_error = tr("%1 cannot be written: %2.")
                      .arg(m_target,
                           why ? QString::fromLocal8Bit(std::strerror(why)) : m_file.errorString());
        return false;
    }
    return true;
}

void OutputFile::abandon()
{
    const int reason = errno;
    m_error
        = tr("%1 cannot be written: %2.")
              .arg(m_target,
                   reason ? QString::fromLocal8Bit(std::strerror(reason)) : m_file.errorString());
    cancel();
}

void OutputFile::cancel()
{
    if (m_file.isOpen()) {
        m_file.cancelWriting();
        m_file.commit();
    }
}

} // namespace dewscope
