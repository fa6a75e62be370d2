#pragma once

#include <QString>
#include <QStringList>

namespace dewscope {

// Where a printed record table puts its texts, in twips from the top-left corner of the
// printable area: the page number at the foot of every page, the nine column headers and a rule
// under them, then one line per record. PrintPageBreak advances by one line and starts a new
// page once the current line reaches PageFull, so every page holds 45 records.
class PrintLayout
{
public:
    static constexpr int LeftMargin = 600; // column 0 and the rule
    static constexpr int ColumnOrigin = 1700; // column 1, "Time"
    static constexpr int ColumnStep = 1200;
    static constexpr int LineHeight = 300;
    static constexpr int Top = 500;
    static constexpr int PageFull = 14500;
    static constexpr int PageNumberY = 14900;
    static constexpr int FontSize = 12; // points
    static constexpr int RuleLength = 127;
    // Header, rule, then the first record of a page.
    static constexpr int HeaderY = Top + LineHeight;
    static constexpr int RuleY = HeaderY + LineHeight;
    static constexpr int FirstRowY = RuleY + LineHeight;

    // x of column 0 .. 8.
    static int columnX(int column);
    // "No.s", "Time", "Cel", "DewC", "WetC", "%RH", "Fah", "DewF", "WetF".
    static const QStringList &headerTexts();
    static QString rule();
    static QString pageNumberText(int page);
    // Centred only roughly: the width of the text itself is not taken off.
    static double pageNumberX(double pageWidth);
    // Whether the next line advance from y starts a new page.
    static bool pageIsFull(int y) { return y >= PageFull; }
    static int rowsPerPage();
    // Pages of a table of that many records (an empty table still prints one).
    static int pageCount(int records);
};

} // namespace dewscope
