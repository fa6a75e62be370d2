#include "summary/SummaryReport.h"

#include "summary/SummaryFormat.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>

namespace dewscope {

namespace fmt = summaryformat;

namespace {

constexpr double Line = 10.5; // a line of small text, as on the first page
constexpr int Small = 8, Normal = 9;
constexpr double SignOffHeight = 46; // the reviewer's lines above the footer

QString figure(const DayFigures::Values &v, double DayFigures::Values::*field, int decimals)
{
    return v.count > 0 ? QString::number(v.*field, 'f', decimals) : QStringLiteral("-");
}

} // namespace

bool SummaryReport::paint(QPdfWriter *writer)
{
    // Page 1 as it always was; the days from page 2 on, the last page keeping room for the
    // sign-off.
    // Each later page names its report at the top.
    const double top = QFontMetricsF(font(Small, false)).height() + 6;
    const QString heading = m_options.title + QStringLiteral(" - ") + m_options.fileName;
    const int perPage = qMax(1, daysPerPage(top, footerTop() - SignOffHeight));
    const int dayPages
        = qMax(1, int((m_figures.days.size() + perPage - 1) / perPage));
    const int pages = 1 + dayPages;
    paintFirstPage();
    drawFooter(1, pages);
    int next = 0;
    for (int page = 2; page <= pages; ++page) {
        writer->newPage();
        text(0, 0, heading, Small);
        next += drawDays(next, top, footerTop() - SignOffHeight);
        if (page == pages)
            drawSignOff();
        drawFooter(page, pages);
    }
    return m_error.isEmpty();
}

QStringList SummaryReport::wrapped(const QString &text, const QFont &font, int maxLines) const
{
    const QFontMetricsF metrics(font);
    const double width = m_page.width();
    QStringList lines;
    QString line;
    const QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    qsizetype start = 0; // the current line's first word
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString longer = line.isEmpty() ? words[i] : line + QLatin1Char(' ') + words[i];
        if (line.isEmpty() || metrics.horizontalAdvance(longer) <= width) {
            line = longer;
            continue;
        }
        if (lines.size() + 1 == maxLines) {
            // The last line takes the rest, cut short with an ellipsis.
            line = words.mid(start).join(QLatin1Char(' '));
            break;
        }
        lines << line;
        line = words[i];
        start = i;
    }
    if (!line.isEmpty())
        lines << metrics.elidedText(line, Qt::ElideRight, width);
    return lines;
}

double SummaryReport::drawHeading()
{
    double y = 0;
    for (const QString &line : wrapped(m_options.title, font(16, true), 2))
        y += text(0, y, line, 16, true);
    y += 2;
    for (const QString &line : wrapped(m_options.location, font(10, false), 2))
        y += text(0, y, line, 10);
    return y + 2;
}

double SummaryReport::drawSource(double y)
{
    const SummaryFigures &f = m_figures;
    QString source = m_options.fileName;
    if (m_options.memorySet && f.records > 0)
        source += QStringLiteral(", ") + fmt::firstToLast(f);
    y += text(0, y, source, 10) + 1;
    const auto &file = m_options.sourceFile;
    if (!file) {
        y += text(0, y,
                  QStringLiteral("No source file: the table was not read from a file as it is."),
                  Small);
        return y + 3;
    }
    const QString head = QStringLiteral("Read %1 bytes, SHA-256 ").arg(file->size);
    const double height = text(0, y, head, Small);
    // The digest in a fixed-pitch face, unshaped: no ligature may join two of its letters,
    // so that it copies out of the PDF as sha256sum prints it.
    QFont digest = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    digest.setPixelSize(Small);
    digest.setStyleStrategy(QFont::PreferNoShaping);
    m_painter->setFont(digest);
    m_painter->drawText(QPointF(QFontMetricsF(font(Small, false)).horizontalAdvance(head),
                                y + QFontMetricsF(font(Small, false)).ascent()),
                        QString::fromLatin1(file->sha256));
    return y + height + 3;
}

int SummaryReport::daysPerPage(double y, double bottom) const
{
    // Heading, its note, the table's header row and rule; then a row per line.
    const double heading = QFontMetricsF(font(12, true)).height() + 2
        + QFontMetricsF(font(Small, false)).height() + 4;
    return int((bottom - y - heading - Line - 1) / Line);
}

int SummaryReport::drawDays(int first, double y, double bottom)
{
    const SummaryFigures &f = m_figures;
    const int count = qMax(0, qMin(daysPerPage(y, bottom), int(f.days.size()) - first));
    y += text(0, y, QStringLiteral("Day by day"), 12, true) + 2;
    y += text(0, y,
              QStringLiteral("Each day's minimum, maximum and mean; the time below, above and "
                             "missing per limited channel, split at midnight."),
              Small)
        + 4;
    const SummaryChannel t = f.fahrenheit ? SummaryChannel::TemperatureF
                                          : SummaryChannel::TemperatureC;
    QStringList header { QStringLiteral("Day") };
    for (const SummaryChannel c : { t, SummaryChannel::Humidity })
        for (const char *what : { "Min", "Max", "Mean" })
            header << QStringLiteral("%1 %2").arg(QLatin1String(what), fmt::unit(c));
    for (const LimitFigures &l : f.limits)
        for (const char *what : { "below", "above", "missing" })
            header << QStringLiteral("%1 %2").arg(fmt::unit(l.channel), QLatin1String(what));
    QList<QStringList> rows { header };
    for (int i = first; i < first + count; ++i) {
        const DayFigures &d = f.days[i];
        QStringList row { d.date.isValid() ? d.date.toString(Qt::ISODate)
                                           : QStringLiteral("day %1").arg(d.day) };
        for (const DayFigures::Values &v : { d.temperature, d.humidity })
            row << figure(v, &DayFigures::Values::min, 1) << figure(v, &DayFigures::Values::max, 1)
                << figure(v, &DayFigures::Values::mean, 2);
        for (const DayFigures::Outside &o : d.limits)
            row << fmt::duration(o.below) << fmt::duration(o.above) << fmt::duration(o.missing);
        rows << row;
    }
    table(0, y, m_page.width(), rows);
    return count;
}

void SummaryReport::drawSignOff()
{
    const double y = footerTop() - SignOffHeight + 18;
    text(0, y - 14, QStringLiteral("Reviewed and approved:"), Normal, true);
    // The words as text, the blanks as lines to sign on.
    const QString line = QStringLiteral("______________________");
    text(0, y,
         QStringLiteral("Reviewed by %1  Date %2  Signature %3").arg(line, line, line),
         Normal);
}

} // namespace dewscope
