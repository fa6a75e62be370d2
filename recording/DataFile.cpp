#include "recording/DataFile.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace dewscope::DataFile {

QString timeAndValues(const QString &time, const ReadingTexts &texts)
{
    QString line = time;
    for (const QString &field : texts.recordFields()) {
        line += QLatin1Char(Separator);
        line += field;
    }
    return line;
}

QByteArray recorderLine(qint64 number, const QString &timeAndValues)
{
    QByteArray line = QByteArray::number(number);
    line += Separator;
    line += timeAndValues.toLatin1();
    line += "\r\n";
    return line;
}

QByteArray recorderLine(qint64 number, const QString &time, const ReadingTexts &texts)
{
    return recorderLine(number, timeAndValues(time, texts));
}

QByteArray gridSaveLine(const QStringList &cells)
{
    QByteArray line;
    for (const QString &cell : cells) {
        line += cell.toLatin1();
        line += Separator;
    }
    line += "\r\n";
    return line;
}

QStringList splitCells(const QString &rowText)
{
    QStringList cells;
    cells.reserve(FieldCount);
    qsizetype from = 0;
    while (cells.size() < FieldCount) {
        const qsizetype tab = rowText.indexOf(QLatin1Char(Separator), from);
        if (tab < 0) {
            cells.append(rowText.mid(from));
            break;
        }
        cells.append(rowText.mid(from, tab - from));
        from = tab + 1;
    }
    while (cells.size() < FieldCount)
        cells.append(QString());
    return cells;
}

QString whyNotReadable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QCoreApplication::translate("DataFile", "%1 does not exist.").arg(path);
    if (info.isDir())
        return QCoreApplication::translate("DataFile", "%1 is a folder, not a data file.")
            .arg(path);
    if (!info.isFile())
        return QCoreApplication::translate("DataFile",
                                           "%1 is not a regular file (a device, pipe or socket) "
                                           "and cannot be opened as a data file.")
            .arg(path);
    if (!info.isReadable())
        return QCoreApplication::translate("DataFile", "%1 cannot be read: permission denied.")
            .arg(path);
    return QString();
}

} // namespace dewscope::DataFile
