#pragma once

#include <QByteArray>
#include <QString>

namespace dewscope {

// The file a table was read from, as read: so that a report can be checked against the file
// (sha256sum prints the same digest).
struct SourceFile
{
    QString name; // as the reader named it: a path, or "standard input"
    qint64 size = 0; // bytes read
    QByteArray sha256; // hex digest of those bytes
};

} // namespace dewscope
