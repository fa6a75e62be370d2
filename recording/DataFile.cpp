#include "recording/DataFile.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace dewscope::DataFile {

namespace {

constexpr qint64 Day = 86400;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
qint64 daysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(qint64 z, qint64 *year, int *month, int *day)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    *day = int(doy - (153 * mp + 2) / 5 + 1);
    *month = int(mp < 10 ? mp + 3 : mp - 9);
    *year = yoe + era * 400 + (*month <= 2);
}

// The number of `count` digits at text[at], or -1.
int digits(QStringView text, int at, int count)
{
    int n = 0;
    for (int i = at; i < at + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}

QString twoDigits(qint64 n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

QString dateTimeText(const QDateTime &dateTime)
{
    const qint64 offset = dateTime.offsetFromUtc();
    const qint64 utc = dateTime.toMSecsSinceEpoch();
    // Whole seconds, cut: 14:03:22.999 is 14:03:22, also before 1970.
    const qint64 seconds = utc >= 0 ? utc / 1000 : -((-utc + 999) / 1000);
    const int whole = int(offset);
    return momentText(seconds + offset, &whole);
}

bool readMoment(QStringView text, Moment *moment)
{
    text = text.trimmed();
    // "2026-12-07T14:03:22+01:00"
    if (text.size() != 25 || text[4] != u'-' || text[7] != u'-' || text[10] != u'T'
        || text[13] != u':' || text[16] != u':' || (text[19] != u'+' && text[19] != u'-')
        || text[22] != u':')
        return false;
    const int year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2), minute = digits(text, 14, 2),
              second = digits(text, 17, 2);
    const int offsetHours = digits(text, 20, 2), offsetMinutes = digits(text, 23, 2);
    static const int monthDays[] = { 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (year < 0 || month < 1 || month > 12 || day < 1 || day > monthDays[month - 1] || hour < 0
        || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || offsetHours < 0
        || offsetHours > 18 || offsetMinutes < 0 || offsetMinutes > 59)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap)
        return false;
    const int offset = (text[19] == u'-' ? -1 : 1) * (offsetHours * 3600 + offsetMinutes * 60);
    moment->offset = offset;
    moment->utc
        = daysFromCivil(year, month, day) * Day + hour * 3600 + minute * 60 + second - offset;
    return true;
}

QString momentText(qint64 local, const int *offset)
{
    const qint64 days = local >= 0 ? local / Day : -((-local + Day - 1) / Day);
    const qint64 second = local - days * Day;
    qint64 year = 0;
    int month = 0, day = 0;
    civilFromDays(days, &year, &month, &day);
    QString text = QStringLiteral("%1-%2-%3T%4:%5:%6")
                       .arg(year, 4, 10, QLatin1Char('0'))
                       .arg(twoDigits(month), twoDigits(day), twoDigits(second / 3600),
                            twoDigits(second / 60 % 60), twoDigits(second % 60));
    if (offset) {
        const int east = *offset < 0 ? -*offset : *offset;
        text += QLatin1Char(*offset < 0 ? '-' : '+') + twoDigits(east / 3600) + QLatin1Char(':')
            + twoDigits(east / 60 % 60);
    }
    return text;
}

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

QStringList splitCellsWithDate(const QString &rowText)
{
    QStringList cells = splitCells(rowText);
    qsizetype from = 0;
    for (int i = 0; i < DateField; ++i) {
        const qsizetype tab = rowText.indexOf(QLatin1Char(Separator), from);
        if (tab < 0)
            return cells;
        from = tab + 1;
    }
    const qsizetype end = rowText.indexOf(QLatin1Char(Separator), from);
    const QStringView date = QStringView(rowText).mid(from, end < 0 ? -1 : end - from);
    Moment moment;
    if (readMoment(date, &moment))
        cells.append(date.trimmed().toString());
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
