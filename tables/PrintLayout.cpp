#include "tables/PrintLayout.h"

namespace dewscope {

int PrintLayout::columnX(int column)
{
    return column == 0 ? LeftMargin : ColumnOrigin + ColumnStep * (column - 1);
}

const QStringList &PrintLayout::headerTexts()
{
    static const QStringList texts = {
        QStringLiteral("No.s"), QStringLiteral("Time"), QStringLiteral("Cel"),
        QStringLiteral("DewC"), QStringLiteral("WetC"), QStringLiteral("%RH"),
        QStringLiteral("Fah"),  QStringLiteral("DewF"), QStringLiteral("WetF"),
    };
    return texts;
}

QString PrintLayout::rule()
{
    return QString(RuleLength, QLatin1Char('-'));
}

QString PrintLayout::pageNumberText(int page)
{
    return QLatin1String("P-") + QString::number(page);
}

double PrintLayout::pageNumberX(double pageWidth)
{
    return (pageWidth - LeftMargin) / 2;
}

int PrintLayout::rowsPerPage()
{
    // Records stand at FirstRowY, FirstRowY + LineHeight, ... up to the first y at or past
    // PageFull.
    return (PageFull - FirstRowY + LineHeight - 1) / LineHeight + 1;
}

int PrintLayout::pageCount(int records)
{
    return records <= 0 ? 1 : (records + rowsPerPage() - 1) / rowsPerPage();
}

} // namespace dewscope
