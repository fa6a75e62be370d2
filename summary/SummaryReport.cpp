#include "summary/SummaryReport.h"

#include "graphs/DataPlotState.h"
#include "graphs/DrawingSurface.h"
#include "graphs/GraphFrame.h"
#include "graphs/PdfFile.h"
#include "graphs/PlotEnvelope.h"
#include "graphs/PlotPainter.h"
#include "graphs/ScaleLabel.h"
#include "summary/RecordSummary.h"
#include "summary/SummaryFormat.h"
#include "tables/RecordTableModel.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace dewscope {

namespace fmt = summaryformat;

namespace {

// The page is laid out in points; the plot in window pixels (96 to the inch).
constexpr double PixelsPerPoint = 96.0 / 72.0;
constexpr double PlotHeight = 295; // points: a plot of at least the window's smallest height
constexpr double Line = 10.5; // a line of small text
constexpr int Small = 8, Normal = 9;
constexpr double LimitApart = 3; // plot pixels between limit lines that would meet

double celsius(double value, SummaryChannel channel)
{
    return channel == SummaryChannel::TemperatureF ? (value - 32) * 5 / 9 : value;
}

} // namespace

GraphScales SummaryReport::fittingScales(const SummaryFigures &figures)
{
    using C = SummaryChannel;
    GraphScales scales;
    const auto fit = [&figures](bool humidity, float *min, float *max) {
        const QList<C> curves = humidity ? QList<C> { C::Humidity }
                                         : QList<C> { C::TemperatureC, C::DewPointC, C::WetBulbC };
        // What an automatic scale may span: a value or limit beyond it is held at its edge,
        // so one wild figure neither stretches the plot beyond use nor the search below
        // beyond a handful of tries.
        const double lowest = humidity ? LowestRH : LowestC;
        const double highest = humidity ? HighestRH : HighestC;
        double low = INFINITY, high = -INFINITY;
        const auto hold = [&](double v) {
            v = qBound(lowest, v, highest);
            low = qMin(low, std::floor(v));
            high = qMax(high, std::ceil(v));
        };
        for (C c : curves) {
            if (figures.channel(c).count > 0) {
                hold(figures.channel(c).min);
                hold(figures.channel(c).max);
            }
        }
        for (const LimitFigures &l : figures.limits) {
            for (const auto &limit : { l.limits.low, l.limits.high })
                if (limit && (l.channel == C::Humidity) == humidity)
                    hold(celsius(*limit, l.channel));
        }
        if (low > high)
            return;
        // Whole units, a multiple of 8 of them so that the nine scale labels are whole, and
        // placed so that the °F labels are short too; within the span allowed where it fits.
        // At most 9 extents of at most 72 placings each are tried.
        const double need = qMax(high - low, 1.0);
        const double first = std::ceil(need / 8) * 8;
        for (double extent = first; extent <= first + 64; extent += 8) {
            const double middle = low - std::floor((extent - need) / 2);
            for (double d = 0; d <= extent - need; ++d) {
                for (const double bottom : { middle - d, middle + d }) {
                    if (bottom > low || bottom + extent < high
                        || ((bottom < lowest || bottom + extent > highest)
                            && extent <= highest - lowest))
                        continue;
                    const float minF = float(bottom) * 9 / 5 + 32;
                    const float maxF = float(bottom + extent) * 9 / 5 + 32;
                    bool shortLabels = true;
                    for (int i = 0; i <= 8 && shortLabels; ++i) {
                        const QString label = formatScaleLabel(minF + (maxF - minF) * i / 8);
                        shortLabels = humidity || label.size() - label.indexOf('.') <= 2;
                    }
                    if (shortLabels) {
                        *min = float(bottom);
                        *max = float(bottom + extent);
                        return;
                    }
                }
            }
        }
    };
    fit(false, &scales.minC, &scales.maxC);
    fit(true, &scales.minRH, &scales.maxRH);
    scales.minF = scales.minC * 9 / 5 + 32;
    scales.maxF = scales.maxC * 9 / 5 + 32;
    return scales;
}

SummaryReport::Rows SummaryReport::Rows::of(const RecordTableModel &table)
{
    Rows rows;
    rows.count = table.rows() - 1;
    rows.read = [&table](const Each &each, QString *) {
        for (int row = 1; row < table.rows(); ++row)
            each(table.rowText(row));
        return true;
    };
    return rows;
}

bool SummaryReport::write(const QString &path, const QStringList &inputs, const Rows &rows,
                          const SummaryFigures &figures, const Options &options, QString *error)
{
    PdfFile pdf(path, inputs);
    if (!pdf.open()) {
        *error = pdf.errorString();
        return false;
    }
    QPdfWriter &writer = *pdf.writer();
    writer.setPageSize(QPageSize(options.page));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setTitle(options.title);
    bool drawn = false;
    QString readError;
    QPainter painter;
    if (painter.begin(&writer)) {
        painter.scale(writer.resolution() / 72.0, writer.resolution() / 72.0);
        const QRectF page(QPointF(0, 0), writer.pageLayout().paintRect(QPageLayout::Point).size());
        SummaryReport report(&painter, page, rows, figures, options);
        const bool read = report.paint(&writer);
        readError = report.m_error;
        drawn = painter.end() && read;
    }
    if (!pdf.finish(drawn)) {
        *error = readError.isEmpty() ? pdf.errorString() : readError;
        return false;
    }
    return true;
}

SummaryReport::SummaryReport(QPainter *painter, const QRectF &page, const Rows &rows,
                             const SummaryFigures &figures, const Options &options)
    : m_painter(painter)
    , m_page(page)
    , m_rows(rows)
    , m_figures(figures)
    , m_options(options)
{
}

QFont SummaryReport::font(int size, bool bold)
{
    QFont font(QGuiApplication::font().family());
    font.setPixelSize(size);
    font.setBold(bold);
    return font;
}

double SummaryReport::text(double x, double y, const QString &text, int size, bool bold,
                           Qt::Alignment align, double width)
{
    const QFontMetricsF metrics(font(size, bold));
    if (align & Qt::AlignRight)
        x += width - metrics.horizontalAdvance(text);
    else if (align & Qt::AlignHCenter)
        x += (width - metrics.horizontalAdvance(text)) / 2;
    m_painter->setFont(font(size, bold));
    m_painter->setPen(Qt::black);
    m_painter->drawText(QPointF(x, y + metrics.ascent()), text);
    return metrics.height();
}

void SummaryReport::paintFirstPage()
{
    const SummaryFigures &f = m_figures;
    double y = drawSource(drawHeading());
    QString times
        = QStringLiteral("First %1     Last %2     Records %3     Interval %4     Span %5     "
                         "Gaps %6 (%7)")
              .arg(f.hasDates() ? f.dateTime(f.first) : fmt::clockTime(f, f.first),
                   f.hasDates() ? f.dateTime(f.last) : fmt::clockTime(f, f.last))
              .arg(f.records)
              .arg(fmt::duration(f.interval), fmt::duration(f.span))
              .arg(f.gaps.size())
              .arg(fmt::duration(f.gapSeconds));
    if (f.rowsWithoutTime > 0)
        times += QStringLiteral("     (%1 rows without a time left out)").arg(f.rowsWithoutTime);
    y += text(0, y, times, Normal) + 6;
    y = drawPlot(y, PlotHeight);
    y = drawChannels(y + 8);
    if (f.limits.isEmpty()) {
        text(0, y + 8, QStringLiteral("No limits were set."), Normal);
    } else {
        const double width = m_page.width() / double(f.limits.size());
        for (int i = 0; i < f.limits.size(); ++i)
            drawLimits(f.limits.at(i), i * width, y + 8, width - 12);
    }
}

Qt::PenStyle SummaryReport::limitStyle(SummaryChannel channel)
{
    return channel == SummaryChannel::Humidity ? Qt::DashDotLine : Qt::DashLine;
}

double SummaryReport::drawPlot(double y, double height)
{
    const QSizeF units(m_page.width() * PixelsPerPoint, height * PixelsPerPoint);
    DataPlotState state;
    static_cast<GraphScales &>(state) = m_options.scales;
    state.spanWholeTable(int(qMin<qint64>(m_rows.count, std::numeric_limits<int>::max())));
    DrawingSurface surface(PlotPainter::font(), Qt::white);
    m_painter->save();
    m_painter->translate(0, y);
    m_painter->scale(1 / PixelsPerPoint, 1 / PixelsPerPoint);
    surface.beginPainter(m_painter, units);
    drawRecords(&surface, &state);
    surface.endPainter();
    drawGaps(state);

    // The limits across the plot area, in their curve's colour. A line that would fall on
    // one drawn before is drawn just below it, so that both show.
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    QList<double> drawn;
    QList<SummaryChannel> moved;
    for (const LimitFigures &l : m_figures.limits) {
        const bool humidity = l.channel == SummaryChannel::Humidity;
        const double bottom = humidity ? state.minRH : state.minC;
        const double top = humidity ? state.maxRH : state.maxC;
        m_painter->setPen(
            QPen(GraphFrame::CurveColors[humidity ? 1 : 0], 1.5, limitStyle(l.channel)));
        for (const auto &limit : { l.limits.low, l.limits.high }) {
            if (!limit)
                continue;
            // A limit beyond the scale lies on the frame's edge.
            const double v = qBound(bottom, celsius(*limit, l.channel), top);
            double at = state.bottom - (v - bottom) / (top - bottom) * state.height;
            for (int tries = 0; tries < 4; ++tries) {
                const bool meets = std::any_of(drawn.cbegin(), drawn.cend(), [at](double other) {
                    return std::abs(other - at) < LimitApart;
                });
                if (!meets)
                    break;
                at += LimitApart;
                if (!moved.contains(l.channel))
                    moved << l.channel;
            }
            drawn << at;
            m_painter->drawLine(QPointF(state.left, at), QPointF(state.left + state.width, at));
        }
    }
    m_painter->restore();
    y += height + 3;

    // What the dashed lines are, for readers of a black-and-white page.
    double x = 0;
    for (const LimitFigures &l : m_figures.limits) {
        const bool humidity = l.channel == SummaryChannel::Humidity;
        const QString label
            = QStringLiteral("%1 limits (%2)%3")
                  .arg(fmt::channelName(l.channel), fmt::limitText(l),
                       moved.contains(l.channel)
                           ? QStringLiteral(", drawn just below where it meets another")
                           : QString());
        const double width = 34 + QFontMetricsF(font(Small, false)).horizontalAdvance(label);
        if (x > 0 && x + width > m_page.width())
            x = 0, y += Line;
        m_painter->setPen(
            QPen(GraphFrame::CurveColors[humidity ? 1 : 0], 1.2, limitStyle(l.channel)));
        m_painter->drawLine(QPointF(x, y + 5), QPointF(x + 28, y + 5));
        text(x + 34, y, label, Small);
        x += width + 24;
    }
    y += m_figures.limits.isEmpty() ? 0 : Line;
    return drawNotes(y);
}

QStringList SummaryReport::beyondScales() const
{
    using C = SummaryChannel;
    const GraphScales &s = m_options.scales;
    QStringList beyond;
    const auto check
        = [&](const QString &what, double shown, double plotted, C unitOf, bool humidity) {
              const double bottom = humidity ? s.minRH : s.minC, top = humidity ? s.maxRH : s.maxC;
              if (plotted < bottom || plotted > top)
                  beyond << what + QLatin1Char(' ') + fmt::limitNumber(shown) + QLatin1Char(' ')
                          + fmt::unit(unitOf);
          };
    // The plotted curves, named in the report's unit; they plot against the °C scale.
    const QList<C> plotted { C::TemperatureC, C::Humidity, C::DewPointC, C::WetBulbC };
    const QList<C> shown = fmt::shownChannels(m_options.fahrenheit);
    for (int i = 0; i < plotted.size(); ++i) {
        const ChannelFigures &p = m_figures.channel(plotted[i]);
        const ChannelFigures &n = m_figures.channel(shown[i]);
        if (p.count == 0 || n.count == 0)
            continue;
        const QString name = fmt::channelName(plotted[i]);
        const bool humidity = plotted[i] == C::Humidity;
        check(name + QStringLiteral(" minimum"), n.min, p.min, shown[i], humidity);
        check(name + QStringLiteral(" maximum"), n.max, p.max, shown[i], humidity);
    }
    for (const LimitFigures &l : m_figures.limits) {
        const bool humidity = l.channel == C::Humidity;
        const QString name = fmt::channelName(l.channel);
        if (l.limits.low)
            check(name + QStringLiteral(" low limit"), *l.limits.low,
                  celsius(*l.limits.low, l.channel), l.channel, humidity);
        if (l.limits.high)
            check(name + QStringLiteral(" high limit"), *l.limits.high,
                  celsius(*l.limits.high, l.channel), l.channel, humidity);
    }
    return beyond;
}

double SummaryReport::drawNotes(double y)
{
    QStringList notes;
    const QStringList beyond = beyondScales();
    if (m_figures.linesSplitAtCommas > 0)
        notes << QStringLiteral("%1 line(s) of the file held commas and were read as more than "
                                "one row each: a decimal comma (\"25,5\") is not read as a "
                                "decimal point, so these figures may be wrong.")
                     .arg(m_figures.linesSplitAtCommas);
    if (!beyond.isEmpty())
        notes << QStringLiteral("Beyond the scale, drawn at the frame's edge: ")
                + beyond.join(QStringLiteral(", ")) + QLatin1Char('.');
    // Lines wrapped at the page's width, between words.
    const QFontMetricsF metrics(font(Small, false));
    for (const QString &note : notes) {
        QString line;
        for (const QString &word : note.split(QLatin1Char(' '))) {
            const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (!line.isEmpty() && metrics.horizontalAdvance(longer) > m_page.width()) {
                y += text(0, y, line, Small);
                line = word;
            } else {
                line = longer;
            }
        }
        y += text(0, y, line, Small);
    }
    return y;
}

QString SummaryReport::shortTime(const SummaryMoment &moment) const
{
    // Half a page's column: "12-08 00:40:00" where the table has dates.
    if (!m_figures.hasDates())
        return fmt::clockTime(m_figures, moment);
    return QDateTime::fromSecsSinceEpoch(qint64(std::floor(moment.wall + 0.5)), Qt::UTC)
        .toString(QStringLiteral("MM-dd hh:mm:ss"));
}

QString SummaryReport::labelled(QStringView row, RecordSummary *clock) const
{
    const SummaryFigures &f = m_figures;
    const qint64 before = clock->records();
    clock->addRow(row);
    QString text = row.toString();
    const qsizetype from = text.indexOf(QLatin1Char('\t')) + 1;
    if (clock->records() == before || from <= 0 || f.records == 0 || f.dayOf(f.last) <= 1)
        return text;
    // A span past midnight: each time with its day, so the time labels tell the days apart.
    const SummaryMoment at = clock->lastMoment();
    const QString time = SummaryFigures::clock(at.wall).left(5);
    const QString label = f.hasDates()
        ? QDateTime::fromSecsSinceEpoch(qint64(std::floor(at.wall + 0.5)), Qt::UTC)
              .toString(QStringLiteral("MM-dd hh:mm"))
        : QStringLiteral("day %1 %2").arg(f.dayOf(at)).arg(time);
    const qsizetype to = text.indexOf(QLatin1Char('\t'), from);
    return text.replace(from, (to < 0 ? text.size() : to) - from, label);
}

bool SummaryReport::drawRecords(DrawingSurface *surface, DataPlotState *state)
{
    PlotPainter painter(surface, state);
    painter.setBreakAtMissingCells(true);
    painter.drawFrame();
    const int count = state->recordCount();
    bool drawable = true;
    SummarySettings start;
    start.startDate = m_figures.startDate;
    RecordSummary clock(start); // each row's moment, for the time labels
    if (count <= int(state->width)) {
        // Few rows: each drawn as the plot window draws it.
        RecordTableModel table;
        if (!m_rows.read(
                [&](QStringView row) {
                    if (table.rows() <= count)
                        table.addItem(labelled(row, &clock));
                },
                &m_error))
            return false;
        table.setRows(count + 1); // rows that went missing meanwhile stay empty
        return painter.drawRecords(&table, count) == PlotPainter::Progress::Finished;
    }
    PlotEnvelope envelope(*state);
    if (!m_rows.read(
            [&](QStringView row) {
                drawable = envelope.addRecord(labelled(row, &clock)) && drawable;
            },
            &m_error))
        return false;
    if (drawable)
        envelope.draw(*surface, painter);
    return drawable;
}

// Each gap breaks the curves: the plot area between the rows on either side of it is cleared.
void SummaryReport::drawGaps(const DataPlotState &state)
{
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    for (const Gap &gap : m_figures.gaps) {
        const int k = int(gap.row) + 2 - state.firstRow(); // the row after, as the plot counts
        if (k < 2 || k > state.recordCount())
            continue;
        double before = state.recordX(k - 1), after = state.recordX(k);
        const double middle = (before + after) / 2;
        before = qMin(before + 1, middle - 1.5);
        after = qMax(after - 1, middle + 1.5);
        m_painter->fillRect(
            QRectF(before, state.bottom - state.height - 1, after - before, state.height + 1),
            Qt::white);
    }
}

double SummaryReport::table(double x, double y, double width, const QList<QStringList> &rows)
{
    QList<double> widths(rows.first().size(), 0.0);
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < widths.size(); ++c)
            widths[c]
                = qMax(widths[c],
                       QFontMetricsF(font(Small, r == 0)).horizontalAdvance(rows[r].value(c)) + 6);
    }
    double total = 0;
    for (double w : widths)
        total += w;
    // The room left shared out evenly; too little room shared out in proportion.
    for (double &w : widths)
        w = total <= width ? w + (width - total) / widths.size() : w * width / total;
    for (int r = 0; r < rows.size(); ++r) {
        double at = x;
        for (int c = 0; c < widths.size(); ++c) {
            text(at, y, rows[r].value(c), Small, r == 0);
            at += widths[c];
        }
        y += Line;
        if (r == 0) {
            m_painter->setPen(QPen(Qt::black, 0.5));
            m_painter->drawLine(QPointF(x, y), QPointF(x + width, y));
            y += 1;
        }
    }
    return y;
}

double SummaryReport::drawChannels(double y)
{
    QList<QStringList> rows {
        { QStringLiteral("Channel"), QStringLiteral("Minimum"), QStringLiteral("at"),
          QStringLiteral("Maximum"), QStringLiteral("at"), QStringLiteral("Mean"),
          QStringLiteral("Std dev"), QStringLiteral("MKT"), QStringLiteral("Counts") }
    };
    for (SummaryChannel c : fmt::shownChannels(m_options.fahrenheit)) {
        const QStringList v = fmt::channelColumn(m_figures, c);
        rows.append({ fmt::channelName(c) + QStringLiteral(" (") + fmt::unit(c) + QLatin1Char(')'),
                      v[4], v[5], v[6], v[7], v[8], v[9], v[10],
                      QStringList(v.mid(0, 4)).join(QStringLiteral(" / ")) });
    }
    y = table(0, y, m_page.width(), rows);
    y += text(0, y,
              QStringLiteral("Counts: values / over range (OL) / under range (-OL) / missing.     "
                             "MKT: mean kinetic temperature, ΔH = %1 kJ/mol.")
                  .arg(fmt::limitNumber(m_figures.activationEnergy)),
              Small);
    return y;
}

void SummaryReport::drawLimits(const LimitFigures &l, double x, double y, double width)
{
    y += text(x, y,
              QStringLiteral("%1 limits: %2").arg(fmt::channelName(l.channel), fmt::limitText(l)),
              Normal, true)
        + 2;
    y += text(x, y,
              QStringLiteral("Below %1     Above %2     Missing %3")
                  .arg(fmt::duration(l.secondsBelow), fmt::duration(l.secondsAbove),
                       fmt::duration(l.secondsMissing)),
              Small);
    y += text(x, y,
              QStringLiteral("Outside %1").arg(fmt::percentOutside(l))
                  + (m_figures.minExcursion > 0 ? QStringLiteral(", every second counted")
                                                : QString()),
              Small);
    // As many of the longest as the page holds above the footer, 15 at most.
    const int room = int((footerTop() - y - 2 * Line - 4) / Line) - 1;
    const QList<Excursion> shown
        = fmt::longestExcursions(l.excursions, qBound(0, room, int(ListedExcursions)));
    const QString count = QStringLiteral("Excursions ") + fmt::excursionCount(l, m_figures.minExcursion);
    y += text(x, y,
              l.excursions.size() > shown.size()
                  ? QStringLiteral("%1; the %2 longest in time order:").arg(count).arg(shown.size())
                  : count,
              Small)
        + 2;
    if (shown.isEmpty())
        return;
    QList<QStringList> rows { { QStringLiteral("Side"), QStringLiteral("Start"),
                                QStringLiteral("End"), QStringLiteral("Duration"),
                                QStringLiteral("Extreme") } };
    for (const Excursion &e : shown)
        rows.append({ fmt::side(e), shortTime(e.start), shortTime(e.end),
                      fmt::duration(e.seconds()), fmt::extreme(e, l.channel) });
    y = table(x, y, width, rows);
    if (l.excursions.size() > shown.size())
        text(x, y, QStringLiteral("and %1 more").arg(l.excursions.size() - shown.size()), Small);
}

double SummaryReport::footerTop() const
{
    return m_page.height() - Line - 2;
}

void SummaryReport::drawFooter(int page, int pages)
{
    const double y = m_page.height() - Line;
    m_painter->setPen(QPen(Qt::black, 0.5));
    m_painter->drawLine(QPointF(0, y - 2), QPointF(m_page.width(), y - 2));
    text(0, y, QStringLiteral("Dewscope " DEWSCOPE_VERSION), Small);
    text(0, y, QStringLiteral("Page %1 of %2").arg(page).arg(pages), Small, false, Qt::AlignHCenter,
         m_page.width());
    text(0, y,
         QStringLiteral("Report made ")
             + m_options.made.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
         Small, false, Qt::AlignRight, m_page.width());
}

} // namespace dewscope
