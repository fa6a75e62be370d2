#pragma once

#include "summary/SummaryFigures.h"

#include <QJsonObject>
#include <QList>
#include <QString>

namespace dewscope::summaryformat {

// How the text, the window and the report write a summary's figures. Times of day are
// "hh:mm:ss"; a time on a later calendar day than the first row's adds its date,
// "02:51:00 (2026-12-10)", where the table has dates, and else the day counted from the first
// row's day as day 1, "02:51:00 (day 4)"; durations "h:mm:ss"; both rounded to the second.

// The four channels shown in one temperature unit: temperature, humidity, dew point, wet bulb.
QList<SummaryChannel> shownChannels(bool fahrenheit);
QString channelName(SummaryChannel channel); // "Temperature", "Humidity", ...
QString unit(SummaryChannel channel); // "°C", "°F", "%"
QString jsonKey(SummaryChannel channel); // "temperature_c", ...

QString duration(double seconds);
// withDate: the date also on the first row's day (where the table has dates).
QString clockTime(const SummaryFigures &figures, const SummaryMoment &moment,
                  bool withDate = false);
// The first and the last row's date and time: "2026-12-07T09:00:00+01:00 to ...", or their
// clock times with days as above where the table has no dates.
QString firstToLast(const SummaryFigures &figures);
// A value with its unit: "21.37 °C"; "-" for none.
QString value(const std::optional<double> &number, SummaryChannel channel, int decimals);
// A limit as typed: "8", "-2.5".
QString limitNumber(double number);
// "low 2 °C, high 8 °C", "high 8 °C".
QString limitText(const LimitFigures &limits);
// "below"/"above".
QString side(const Excursion &excursion);
// The excursion's extreme: "OL" or "-OL" where the run holds one, else the value with its unit.
QString extreme(const Excursion &excursion, SummaryChannel channel);
// The cell texts of a channel's column: values, over range, under range, missing, minimum and
// its time, maximum and its time, mean, standard deviation, mean kinetic temperature.
QStringList channelColumn(const SummaryFigures &figures, SummaryChannel channel);
// Their row labels.
const QStringList &channelRowLabels();
// "4", or with a noise threshold "4 listed, 2 shorter than 30 s".
QString excursionCount(const LimitFigures &limits, double minExcursion);
// "3.10 % of the span", or "- (the span is 0)".
QString percentOutside(const LimitFigures &limits);

// The excursions a listing shows: the first `count` in time order, or the `count` longest
// shown in time order.
QList<Excursion> firstExcursions(const QList<Excursion> &all, int count);
QList<Excursion> longestExcursions(const QList<Excursion> &all, int count);

// Everything as one JSON object, unrounded.
QJsonObject toJson(const SummaryFigures &figures);
// An aligned, readable table for a terminal: the channels in one unit, then each limited
// channel's time outside and its first 20 excursions.
QString toText(const SummaryFigures &figures, const QString &fileName, bool fahrenheit);

} // namespace dewscope::summaryformat
