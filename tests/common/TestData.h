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

} // namespace dewscope::test
