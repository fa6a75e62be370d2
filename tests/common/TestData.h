#pragma once

#include <QFile>
#include <QtTest>

// A data column of the current test row, fetched where it is used.
#define FETCHED(Type, name) (*static_cast<Type *>(QTest::qData(#name, ::qMetaTypeId<Type>())))

namespace dewscope::test {

// A data row of the current test function, its values in column order.
template<typename... T> void row(const char *name, T... values)
{
    (QTest::newRow(name) << ... << values);
}

// A file's whole contents, or "<cannot open>".
inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot open>");
}

// Writes a whole file anew; false when it could not be.
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

} // namespace dewscope::test
