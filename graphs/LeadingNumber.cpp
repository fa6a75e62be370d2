#include "graphs/LeadingNumber.h"

#include <QByteArray>
#include <QLocale>

namespace dewscope {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

double leadingNumber(const QString &text)
{
    int i = 0;
    const int size = int(text.size());
    while (i < size && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
        ++i;
    QByteArray number;
    if (i < size && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        number += char(text.at(i++).unicode());
    bool digits = false;
    bool point = false;
    for (; i < size; ++i) {
        const QChar c = text.at(i);
        if (isDigit(c)) {
            digits = true;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
        } else {
            break;
        }
        number += char(c.unicode());
    }
    if (!digits)
        return 0.0;
    // An exponent counts only when at least one digit follows it.
    if (i + 1 < size && QString(QStringLiteral("EeDd")).contains(text.at(i))) {
        int j = i + 1;
        QByteArray exponent = "e";
        if (text.at(j) == QLatin1Char('-') || text.at(j) == QLatin1Char('+'))
            exponent += char(text.at(j++).unicode());
        const auto before = exponent.size();
        while (j < size && isDigit(text.at(j)))
            exponent += char(text.at(j++).unicode());
        if (exponent.size() > before)
            number += exponent;
    }
    // QByteArray reads with "." whatever the process locale (unlike strtod).
    return number.toDouble();
}

BoxNumber readBox(const QString &text)
{
    QString dotted = text;
    dotted.replace(QLatin1Char(','), QLatin1Char('.'));
    BoxNumber number;
    number.leading = leadingNumber(dotted);
    bool ok = false;
    const double whole = QLocale::c().toDouble(dotted, &ok);
    number.whole = ok && whole == number.leading;
    return number;
}

} // namespace dewscope
