#include "summary/SummaryFormat.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace dewscope::summaryformat {

namespace {

constexpr int LabelWidth = 14;
constexpr int ColumnWidth = 15;
constexpr int TextExcursions = 20;

QJsonValue orNull(const std::optional<double> &number)
{
    return number ? QJsonValue(*number) : QJsonValue(QJsonValue::Null);
}

bool isTemperature(SummaryChannel c)
{
    return c == SummaryChannel::TemperatureC || c == SummaryChannel::TemperatureF;
}

QString moreLine(qsizetype shown, qsizetype all)
{
    return all > shown ? QStringLiteral("and %1 more").arg(all - shown) : QString();
}

QJsonObject valuesJson(const DayFigures::Values &v)
{
    const auto figure = [&v](double x) { return v.count > 0 ? QJsonValue(x) : QJsonValue(); };
    return { { "min", figure(v.min) }, { "max", figure(v.max) }, { "mean", figure(v.mean) } };
}

QJsonArray daysJson(const SummaryFigures &f)
{
    const SummaryChannel temperature
        = f.fahrenheit ? SummaryChannel::TemperatureF : SummaryChannel::TemperatureC;
    QJsonArray days;
    for (const DayFigures &d : f.days) {
        QJsonObject limits;
        for (int l = 0; l < f.limits.size() && l < d.limits.size(); ++l)
            limits.insert(jsonKey(f.limits[l].channel),
                          QJsonObject { { "seconds_below", d.limits[l].below },
                                        { "seconds_above", d.limits[l].above },
                                        { "seconds_missing", d.limits[l].missing } });
        days.append(QJsonObject {
            { "day", d.day },
            { "date", d.date.isValid() ? QJsonValue(d.date.toString(Qt::ISODate)) : QJsonValue() },
            { jsonKey(temperature), valuesJson(d.temperature) },
            { "humidity", valuesJson(d.humidity) },
            { "limits", limits } });
    }
    return days;
}

} // namespace

QList<SummaryChannel> shownChannels(bool fahrenheit)
{
    using C = SummaryChannel;
    return fahrenheit ? QList<C> { C::TemperatureF, C::Humidity, C::DewPointF, C::WetBulbF }
                      : QList<C> { C::TemperatureC, C::Humidity, C::DewPointC, C::WetBulbC };
}

QString channelName(SummaryChannel channel)
{
    static const char *const names[] = { "Temperature", "Temperature", "Humidity", "Dew point",
                                         "Dew point",   "Wet bulb",    "Wet bulb" };
    return QString::fromLatin1(names[int(channel)]);
}

QString unit(SummaryChannel channel)
{
    static const char *const units[] = { "°C", "°F", "%", "°C", "°F", "°C", "°F" };
    return QString::fromUtf8(units[int(channel)]);
}

QString jsonKey(SummaryChannel channel)
{
    static const char *const keys[]
        = { "temperature_c", "temperature_f", "humidity",  "dew_point_c",
            "dew_point_f",   "wet_bulb_c",    "wet_bulb_f" };
    return QString::fromLatin1(keys[int(channel)]);
}

QString duration(double seconds)
{
    const qint64 s = qint64(std::floor(seconds + 0.5));
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString clockTime(const SummaryFigures &figures, const SummaryMoment &moment, bool withDate)
{
    const QString clock = SummaryFigures::clock(moment.wall);
    const int day = figures.dayOf(moment);
    if (day <= 1 && !(withDate && figures.hasDates()))
        return clock;
    return clock
        + QStringLiteral(" (%1)").arg(figures.hasDates() ? figures.dateTime(moment).left(10)
                                                         : QStringLiteral("day %1").arg(day));
}

QString firstToLast(const SummaryFigures &figures)
{
    if (figures.hasDates())
        return figures.dateTime(figures.first) + QStringLiteral(" to ")
            + figures.dateTime(figures.last);
    return clockTime(figures, figures.first) + QStringLiteral(" to ")
        + clockTime(figures, figures.last);
}

QString value(const std::optional<double> &number, SummaryChannel channel, int decimals)
{
    if (!number)
        return QStringLiteral("-");
    return QString::number(*number, 'f', decimals) + QLatin1Char(' ') + unit(channel);
}

QString limitNumber(double number)
{
    return QString::number(number, 'g', 10);
}

QString limitText(const LimitFigures &limits)
{
    QStringList parts;
    if (limits.limits.low)
        parts << QStringLiteral("low ") + limitNumber(*limits.limits.low);
    if (limits.limits.high)
        parts << QStringLiteral("high ") + limitNumber(*limits.limits.high);
    return parts.join(QStringLiteral(" %1, ").arg(unit(limits.channel))) + QLatin1Char(' ')
        + unit(limits.channel);
}

QString side(const Excursion &excursion)
{
    return excursion.side == Excursion::Side::Below ? QStringLiteral("below")
                                                    : QStringLiteral("above");
}

QString extreme(const Excursion &excursion, SummaryChannel channel)
{
    if (excursion.extremeOutOfRange)
        return excursion.side == Excursion::Side::Below ? QStringLiteral("-OL")
                                                        : QStringLiteral("OL");
    return value(excursion.extreme, channel, 1);
}

const QStringList &channelRowLabels()
{
    static const QStringList labels
        = { QStringLiteral("Values"),      QStringLiteral("Over range"),
            QStringLiteral("Under range"), QStringLiteral("Missing"),
            QStringLiteral("Minimum"),     QStringLiteral("  at"),
            QStringLiteral("Maximum"),     QStringLiteral("  at"),
            QStringLiteral("Mean"),        QStringLiteral("Std deviation"),
            QStringLiteral("MKT") };
    return labels;
}

QStringList channelColumn(const SummaryFigures &figures, SummaryChannel channel)
{
    const ChannelFigures &c = figures.channel(channel);
    const bool any = c.count > 0;
    const auto number = [any](double v) { return any ? std::optional<double>(v) : std::nullopt; };
    return {
        QString::number(c.count),          QString::number(c.overRange),
        QString::number(c.underRange),     QString::number(c.missing),
        value(number(c.min), channel, 1),  any ? clockTime(figures, c.minAt) : QStringLiteral("-"),
        value(number(c.max), channel, 1),  any ? clockTime(figures, c.maxAt) : QStringLiteral("-"),
        value(number(c.mean), channel, 2), value(c.stdev, channel, 2),
        value(c.mkt, channel, 2)
    };
}

QString percentOutside(const LimitFigures &limits)
{
    return limits.percentOutside
        ? QString::number(*limits.percentOutside, 'f', 2) + QStringLiteral(" % of the span")
        : QStringLiteral("- (the span is 0)");
}

QString excursionCount(const LimitFigures &limits, double minExcursion)
{
    if (!(minExcursion > 0))
        return QString::number(limits.excursions.size());
    return QStringLiteral("%1 listed, %2 shorter than %3 s")
        .arg(limits.excursions.size())
        .arg(limits.shortExcursions)
        .arg(limitNumber(minExcursion));
}

QList<Excursion> firstExcursions(const QList<Excursion> &all, int count)
{
    return all.mid(0, count);
}

QList<Excursion> longestExcursions(const QList<Excursion> &all, int count)
{
    QList<int> order(all.size());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    // Longest first, the earlier first among equals; the chosen ones back in time order.
    std::stable_sort(order.begin(), order.end(),
                     [&all](int a, int b) { return all[a].seconds() > all[b].seconds(); });
    order.resize(qMin<qsizetype>(count, order.size()));
    std::sort(order.begin(), order.end());
    QList<Excursion> chosen;
    for (int i : order)
        chosen << all[i];
    return chosen;
}

QJsonObject toJson(const SummaryFigures &f)
{
    const bool any = f.records > 0;
    const auto time = [](const SummaryMoment &m) { return SummaryFigures::clock(m.wall); };
    const auto dateTime = [&f](const SummaryMoment &m) {
        return f.hasDates() ? QJsonValue(f.dateTime(m)) : QJsonValue(QJsonValue::Null);
    };
    const auto ifAny
        = [any](const QJsonValue &v) { return any ? v : QJsonValue(QJsonValue::Null); };
    QJsonArray gaps;
    for (const Gap &g : f.gaps)
        gaps.append(QJsonObject { { "start", time(g.start) },
                                  { "start_offset", g.start.offset },
                                  { "start_datetime", dateTime(g.start) },
                                  { "end", time(g.end) },
                                  { "end_offset", g.end.offset },
                                  { "end_datetime", dateTime(g.end) },
                                  { "seconds", g.seconds() } });
    QJsonObject json { { "file", f.file },
                       { "dated", f.dated },
                       { "start_date",
                         f.startDate ? QJsonValue(f.startDate->toString(Qt::ISODate))
                                     : QJsonValue() },
                       { "unit", f.fahrenheit ? "f" : "c" },
                       { "activation_energy_kj_mol", f.activationEnergy },
                       { "records", double(f.records) },
                       { "rows_without_time", double(f.rowsWithoutTime) },
                       { "first_time", ifAny(time(f.first)) },
                       { "last_time", ifAny(time(f.last)) },
                       { "first_datetime", ifAny(dateTime(f.first)) },
                       { "last_datetime", ifAny(dateTime(f.last)) },
                       { "span_seconds", f.span },
                       { "interval_seconds", f.interval },
                       { "rows_split_at_commas", double(f.linesSplitAtCommas) },
                       { "gap_seconds", f.gapSeconds },
                       { "gaps", gaps },
                       { "min_excursion_seconds", f.minExcursion } };
    for (int c = 0; c < SummaryChannelCount; ++c) {
        const auto channel = SummaryChannel(c);
        const ChannelFigures &ch = f.channels[c];
        const bool has = ch.count > 0;
        const auto figure = [has](double v) { return has ? QJsonValue(v) : QJsonValue(); };
        const auto at = [has](const QJsonValue &v) { return has ? v : QJsonValue(); };
        QJsonObject object { { "count", double(ch.count) },
                             { "over_range", double(ch.overRange) },
                             { "under_range", double(ch.underRange) },
                             { "missing", double(ch.missing) },
                             { "min", figure(ch.min) },
                             { "min_time", at(time(ch.minAt)) },
                             { "min_offset", figure(ch.minAt.offset) },
                             { "min_datetime", at(dateTime(ch.minAt)) },
                             { "max", figure(ch.max) },
                             { "max_time", at(time(ch.maxAt)) },
                             { "max_offset", figure(ch.maxAt.offset) },
                             { "max_datetime", at(dateTime(ch.maxAt)) },
                             { "mean", figure(ch.mean) },
                             { "stdev", orNull(ch.stdev) } };
        if (isTemperature(channel))
            object.insert(QStringLiteral("mkt"), orNull(ch.mkt));
        json.insert(jsonKey(channel), object);
    }
    QJsonObject limits;
    for (const LimitFigures &l : f.limits) {
        QJsonArray excursions;
        for (const Excursion &e : l.excursions) {
            excursions.append(
                QJsonObject { { "side", side(e) },
                              { "start", time(e.start) },
                              { "start_offset", e.start.offset },
                              { "start_datetime", dateTime(e.start) },
                              { "end", time(e.end) },
                              { "end_offset", e.end.offset },
                              { "end_datetime", dateTime(e.end) },
                              { "seconds", e.seconds() },
                              { "extreme",
                                e.extremeOutOfRange ? QJsonValue(extreme(e, l.channel))
                                                    : QJsonValue(e.extreme) } });
        }
        limits.insert(jsonKey(l.channel),
                      QJsonObject { { "low", orNull(l.limits.low) },
                                    { "high", orNull(l.limits.high) },
                                    { "seconds_below", l.secondsBelow },
                                    { "seconds_above", l.secondsAbove },
                                    { "seconds_missing", l.secondsMissing },
                                    { "percent_outside", orNull(l.percentOutside) },
                                    { "excursions", excursions },
                                    { "short_excursions", double(l.shortExcursions) } });
    }
    json.insert(QStringLiteral("limits"), limits);
    json.insert(QStringLiteral("days"), daysJson(f));
    return json;
}

QString toText(const SummaryFigures &f, const QString &fileName, bool fahrenheit)
{
    QString text;
    const auto line = [&text](const QString &label, const QString &figure) {
        text += label.leftJustified(LabelWidth) + figure + QLatin1Char('\n');
    };
    line(QStringLiteral("File"), fileName);
    line(QStringLiteral("Records"),
         QString::number(f.records)
             + (f.rowsWithoutTime > 0
                    ? QStringLiteral(" (%1 rows without a time left out)").arg(f.rowsWithoutTime)
                    : QString()));
    line(QStringLiteral("First time"), clockTime(f, f.first, true));
    line(QStringLiteral("Last time"), clockTime(f, f.last, true));
    line(QStringLiteral("Interval"), duration(f.interval) + QStringLiteral(" (median)"));
    line(QStringLiteral("Span"), duration(f.span));
    line(QStringLiteral("Gaps"),
         QString::number(f.gaps.size())
             + (f.gaps.isEmpty() ? QString()
                                 : QStringLiteral(" (%1 missing)").arg(duration(f.gapSeconds))));
    for (const Gap &g : f.gaps.mid(0, TextExcursions))
        text += QStringLiteral("    %1 to %2 %3\n")
                    .arg(clockTime(f, g.start), clockTime(f, g.end), duration(g.seconds()));
    const QString moreGaps
        = moreLine(qMin<qsizetype>(f.gaps.size(), TextExcursions), f.gaps.size());
    if (!moreGaps.isEmpty())
        text += QStringLiteral("    ") + moreGaps + QLatin1Char('\n');

    const QList<SummaryChannel> channels = shownChannels(fahrenheit);
    QList<QStringList> columns;
    int width = ColumnWidth; // wide enough for a time with its date
    for (SummaryChannel c : channels) {
        columns << channelColumn(f, c);
        for (const QString &cell : columns.last())
            width = qMax(width, int(cell.size()) + 2);
    }
    text += QLatin1Char('\n') + QString(LabelWidth, QLatin1Char(' '));
    for (SummaryChannel c : channels)
        text += channelName(c).rightJustified(width);
    text += QLatin1Char('\n');
    for (int r = 0; r < channelRowLabels().size(); ++r) {
        QString row = channelRowLabels().at(r).leftJustified(LabelWidth);
        for (const QStringList &column : columns)
            row += column.at(r).rightJustified(width);
        text += row + QLatin1Char('\n');
    }
    text += QStringLiteral("MKT with ΔH = %1 kJ/mol\n").arg(limitNumber(f.activationEnergy));

    for (const LimitFigures &l : f.limits) {
        text += QStringLiteral("\n%1 limits: %2\n").arg(channelName(l.channel), limitText(l));
        line(QStringLiteral("  Below"), duration(l.secondsBelow));
        line(QStringLiteral("  Above"), duration(l.secondsAbove));
        line(QStringLiteral("  Missing"), duration(l.secondsMissing));
        line(QStringLiteral("  Outside"), percentOutside(l));
        line(QStringLiteral("  Excursions"), excursionCount(l, f.minExcursion));
        const QList<Excursion> shown = firstExcursions(l.excursions, TextExcursions);
        const int at = f.hasDates() ? 23 : 18; // "02:51:00 (2026-12-10)", "02:51:00 (day 4)"
        const auto excursion
            = [&text, at](const QString &side, const QString &start, const QString &end,
                          const QString &seconds, const QString &extreme) {
                  text += QStringLiteral("    ") + side.leftJustified(7) + start.leftJustified(at)
                      + end.leftJustified(at) + seconds.rightJustified(9)
                      + extreme.rightJustified(11) + QLatin1Char('\n');
              };
        if (!shown.isEmpty())
            excursion(QStringLiteral("side"), QStringLiteral("start"), QStringLiteral("end"),
                      QStringLiteral("duration"), QStringLiteral("extreme"));
        for (const Excursion &e : shown)
            excursion(side(e), clockTime(f, e.start), clockTime(f, e.end), duration(e.seconds()),
                      extreme(e, l.channel));
        const QString more = moreLine(shown.size(), l.excursions.size());
        if (!more.isEmpty())
            text += QStringLiteral("    ") + more + QLatin1Char('\n');
    }
    return text;
}

} // namespace dewscope::summaryformat
