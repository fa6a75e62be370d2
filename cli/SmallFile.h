#pragma once

#include <QByteArray>
#include <QString>

namespace dewscope::cli {

// Reads a small file whole, whatever it is: a regular file, a pipe (--password-file=<(...)), a
// FIFO or a device. At most maxBytes are taken and the end must come within timeoutMs, so that
// /dev/zero or a FIFO nobody writes cannot hold the command. False with the reason otherwise.
bool readSmallFile(const QString &path, qint64 maxBytes, int timeoutMs, QByteArray *bytes,
                   QString *reason);

} // namespace dewscope::cli
