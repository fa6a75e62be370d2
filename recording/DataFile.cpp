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

int timeOfDay(QStringView text)
{
    text = text.trimmed();
    if (text.size() != 8 || text[2] != QLatin1Char(':') || text[5] != QLatin1Char(':'))
        return -1;
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        const QChar tens = text[i * 3], ones = text[i * 3 + 1];
        if (tens < QLatin1Char('0') || tens > QLatin1Char('9') || ones < QLatin1Char('0')
            || ones > QLatin1Char('9'))
            return -1;
        parts[i] = (tens.unicode() - '0') * 10 + ones.unicode() - '0';
    }
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
        return -1;
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
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
