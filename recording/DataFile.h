#pragma once

#include "meter/ReadingTexts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace dewscope {

// The data file layout: one record per line, nine TAB-separated fields (number, time
// "hh:nn:ss", temperature, dew point, wet bulb in °C, humidity, temperature, dew point, wet bulb
// in °F), CR LF line ends, single-byte text.
namespace DataFile {

constexpr int FieldCount = 9;
constexpr char Separator = '\t';

// A recorder line: the nine fields, no TAB after the last, CR LF.
QByteArray recorderLine(qint64 number, const QString &time, const ReadingTexts &texts);
// The same line with the number and time already joined to the values ("time TAB values").
QByteArray recorderLine(qint64 number, const QString &timeAndValues);

// The values part of a record: time TAB the seven display texts in record order.
QString timeAndValues(const QString &time, const ReadingTexts &texts);

// A grid-save line: every cell followed by one TAB, then CR LF.
QByteArray gridSaveLine(const QStringList &cells);

// A record's time "hh:mm:ss" (blanks around it aside) as seconds of the day; -1 when the text
// is no time of day.
int timeOfDay(QStringView text);

// The nine cells of a row text: split at TAB, fields beyond the ninth dropped, missing ones
// empty.
QStringList splitCells(const QString &rowText);

// Why a path cannot be read as a data file, or an empty text when it can. Only regular files
// are data files: a FIFO would hold the reader until a writer comes, and a device such as
// /dev/zero never ends.
QString whyNotReadable(const QString &path);

} // namespace DataFile
} // namespace dewscope
