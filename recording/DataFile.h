#pragma once

#include "meter/ReadingTexts.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace dewscope {

// The data file layout: one record per line, nine TAB-separated fields (number, time
// "hh:nn:ss", temperature, dew point, wet bulb in °C, humidity, temperature, dew point, wet bulb
// in °F), CR LF line ends, single-byte text.
namespace DataFile {

constexpr int FieldCount = 9;
// The recorder adds the sample's local date and time as a tenth field; readers that know only
// nine fields drop it.
constexpr int DateField = 9;
constexpr char Separator = '\t';

// A recorder line: the nine fields, no TAB after the last, CR LF.
QByteArray recorderLine(qint64 number, const QString &time, const ReadingTexts &texts);
// The same line with the number and time already joined to the values ("time TAB values").
QByteArray recorderLine(qint64 number, const QString &timeAndValues);

// The values part of a record: time TAB the seven display texts in record order.
QString timeAndValues(const QString &time, const ReadingTexts &texts);

// The tenth field of a record: the local date and time in whole seconds (cut, not rounded)
// with the offset from UTC, always signed: "2026-12-07T14:03:22+01:00".
QString dateTimeText(const QDateTime &dateTime);

// A record's moment read from its tenth field, the fixed layout above read character by
// character (blanks around it aside).
struct Moment
{
    qint64 utc = 0; // seconds since 1970-01-01T00:00:00Z
    int offset = 0; // seconds east of UTC

    qint64 local() const { return utc + offset; } // the wall clock, as seconds since 1970
};
bool readMoment(QStringView text, Moment *moment);
// A wall-clock moment (seconds since 1970 as a clock in that zone shows it) as
// "2026-12-07T14:03:22", followed by "+01:00" when an offset is given.
QString momentText(qint64 local, const int *offset = nullptr);

// A grid-save line: every cell followed by one TAB, then CR LF.
QByteArray gridSaveLine(const QStringList &cells);

// A record's time "hh:mm:ss" (blanks around it aside) as seconds of the day; -1 when the text
// is no time of day.
int timeOfDay(QStringView text);

// The nine cells of a row text: split at TAB, fields beyond the ninth dropped, missing ones
// empty.
QStringList splitCells(const QString &rowText);
// The same, and a tenth cell when the row's tenth field is a date and time as the recorder
// writes it (anything else there is dropped, as beyond the ninth).
QStringList splitCellsWithDate(const QString &rowText);

// Why a path cannot be read as a data file, or an empty text when it can. Only regular files
// are data files: a FIFO would hold the reader until a writer comes, and a device such as
// /dev/zero never ends.
QString whyNotReadable(const QString &path);

} // namespace DataFile
} // namespace dewscope
