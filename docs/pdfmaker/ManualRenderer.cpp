#include "ManualRenderer.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <memory>

namespace dewscope::manual {

namespace {

constexpr int Resolution = 300; // dots per inch of the PDF's drawing space
const QColor HeadingColor(0x1f, 0x3a, 0x5f);
const QColor RuleColor(0x9a, 0xa5, 0xb1);
const QColor CodeBackground(0xf0, 0xf2, 0xf4);
constexpr double CodePointSize = 8.5;

// Lengths for painting on the PDF, in its dots.
double mm(double millimetres)
{
    return millimetres / 25.4 * Resolution;
}

// Lengths in text formats (margins, paddings, borders): the text layout takes them as pixels
// at 96 dpi and scales them to the device itself.
double fmm(double millimetres)
{
    return millimetres / 25.4 * 96;
}

QFont textFont(double pointSize)
{
    QFont font;
    font.setFamilies({ QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans") });
    font.setPointSizeF(pointSize);
    return font;
}

QStringList monoFamilies()
{
    return { QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono") };
}

bool isCode(const QTextBlock &block)
{
    if (!block.isValid())
        return false;
    const QTextBlockFormat format = block.blockFormat();
    return format.hasProperty(QTextFormat::BlockCodeFence) || format.nonBreakableLines();
}

// Headings in the heading colour with room above them, code in a monospaced font on a light
// background, tables with thin ruled cells and a bold header row.
void styleDocument(QTextDocument &doc)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        const QTextBlockFormat blockFormat = block.blockFormat();
        const int level = blockFormat.headingLevel();
        if (level > 0) {
            QTextBlockFormat format;
            format.setTopMargin(level <= 2 ? fmm(4) : fmm(2.5));
            format.setBottomMargin(fmm(1.5));
            cursor.mergeBlockFormat(format);
            cursor.select(QTextCursor::BlockUnderCursor);
            QTextCharFormat chars;
            chars.setForeground(HeadingColor);
            cursor.mergeCharFormat(chars);
            continue;
        }
        const bool codeBlock = isCode(block);
        QTextBlock::iterator it = block.begin();
        for (; !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            QTextCharFormat chars = fragment.charFormat();
            if (codeBlock || chars.fontFixedPitch()) {
                QTextCursor span(&doc);
                span.setPosition(fragment.position());
                span.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
                QTextCharFormat mono;
                mono.setFontFamilies(monoFamilies());
                mono.setFontFixedPitch(true);
                mono.setFontPointSize(CodePointSize);
                if (!codeBlock)
                    mono.setBackground(CodeBackground);
                span.mergeCharFormat(mono);
            }
        }
        if (codeBlock) {
            QTextBlockFormat format;
            format.setBackground(CodeBackground);
            format.setLeftMargin(fmm(3));
            // Tab-separated sample lines: columns of ten characters fit the page.
            QFont mono;
            mono.setFamilies(monoFamilies());
            mono.setPointSizeF(CodePointSize);
            const double column = QFontMetricsF(mono).horizontalAdvance(QLatin1Char('0')) * 10;
            QList<QTextOption::Tab> tabs;
            for (int i = 1; i <= 12; ++i)
                tabs.append(QTextOption::Tab(column * i, QTextOption::LeftTab));
            format.setTabPositions(tabs);
            cursor.mergeBlockFormat(format);
        }
    }

    const QList<QTextFrame *> frames = doc.rootFrame()->childFrames();
    for (QTextFrame *frame : frames) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table)
            continue;
        QTextTableFormat format = table->format();
        format.setBorder(fmm(0.2));
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderBrush(RuleColor);
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setCellPadding(fmm(1));
        format.setTopMargin(fmm(1.5));
        format.setBottomMargin(fmm(2.5));
        format.setHeaderRowCount(1);
        table->setFormat(format);
        // Paragraph spacing inside cells would make every row several lines tall.
        for (int row = 0; row < table->rows(); ++row) {
            for (int column = 0; column < table->columns(); ++column) {
                QTextTableCell cell = table->cellAt(row, column);
                QTextTableCellFormat ruled = cell.format().toTableCellFormat();
                ruled.setBorder(fmm(0.2));
                ruled.setBorderBrush(RuleColor);
                ruled.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
                cell.setFormat(ruled);
                const QTextBlock last = cell.lastCursorPosition().block();
                for (QTextBlock b = cell.firstCursorPosition().block(); b.isValid(); b = b.next()) {
                    QTextBlockFormat tight;
                    tight.setTopMargin(0);
                    tight.setBottomMargin(0);
                    QTextCursor(b).mergeBlockFormat(tight);
                    if (b == last)
                        break;
                }
            }
        }
        for (int column = 0; column < table->columns(); ++column) {
            QTextTableCell cell = table->cellAt(0, column);
            QTextCharFormat bold;
            bold.setFontWeight(QFont::Bold);
            QTextCursor c = cell.firstCursorPosition();
            c.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
            c.mergeCharFormat(bold);
            QTextCharFormat shade = cell.format();
            shade.setBackground(CodeBackground);
            cell.setFormat(shade);
        }
    }
}

// Where the text that follows a block starts: the next paragraph, or the table it opens.
double followingTop(const QAbstractTextDocumentLayout *layout, const QTextBlock &block)
{
    const QTextBlock next = block.next();
    if (!next.isValid())
        return layout->blockBoundingRect(block).bottom();
    if (QTextTable *table = QTextCursor(next).currentTable())
        return layout->frameBoundingRect(table).top();
    return layout->blockBoundingRect(next).top();
}

// Moves a heading to the next page when too little of its text would follow it on its own page,
// and a code example that would be cut by a page end, unless it is longer than a page. After
// each move the whole document is laid out again: the layout's incremental update does not
// carry a forced page break on to the blocks after it.
void keepTogether(QTextDocument &doc, double pageHeight, double minFollow)
{
    const QAbstractTextDocumentLayout *layout = doc.documentLayout();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            continue;
        if (QTextCursor(block).currentTable())
            continue;
        const double top = layout->blockBoundingRect(block).top();
        double bottom = 0;
        if (block.blockFormat().headingLevel() > 0) {
            bottom = followingTop(layout, block) + minFollow;
        } else if (isCode(block) && !isCode(block.previous())) {
            QTextBlock last = block;
            while (isCode(last.next()))
                last = last.next();
            bottom = layout->blockBoundingRect(last).bottom();
        } else {
            continue;
        }
        if (bottom - top >= pageHeight || int(top / pageHeight) == int(bottom / pageHeight))
            continue;
        QTextBlockFormat breakBefore;
        breakBefore.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(block).mergeBlockFormat(breakBefore);
        doc.markContentsDirty(0, doc.characterCount());
    }
}

// Body page (0-based) on which each level-2 heading starts.
QList<int> sectionPages(const QTextDocument &doc, double pageHeight)
{
    QList<int> pages;
    const QAbstractTextDocumentLayout *layout = doc.documentLayout();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 2) {
            const double top = layout->blockBoundingRect(block).top();
            pages.append(int(top / pageHeight));
        }
    }
    return pages;
}

// The title page: title, subtitle, front matter, then one contents row per section.
void buildTitleDocument(QTextDocument &doc, const ManualSource &source, const QString &subtitle,
                        const QList<int> &pageNumbers)
{
    QTextCursor cursor(&doc);
    QTextBlockFormat spaced;
    spaced.setTopMargin(fmm(45));
    spaced.setBottomMargin(fmm(4));
    cursor.setBlockFormat(spaced);
    QTextCharFormat titleChars;
    titleChars.setFont(textFont(26));
    titleChars.setFontWeight(QFont::Bold);
    titleChars.setForeground(HeadingColor);
    cursor.insertText(source.title(), titleChars);

    if (!subtitle.isEmpty()) {
        QTextBlockFormat sub;
        sub.setBottomMargin(fmm(8));
        QTextCharFormat subChars;
        subChars.setFont(textFont(13));
        subChars.setForeground(QColor(0x44, 0x4c, 0x56));
        cursor.insertBlock(sub, subChars);
        cursor.insertText(subtitle, subChars);
    }
    if (!source.frontMatter().isEmpty()) {
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        cursor.insertMarkdown(source.frontMatter());
    }

    QTextTableFormat tableFormat;
    tableFormat.setBorder(0);
    tableFormat.setCellPadding(fmm(0.8));
    tableFormat.setTopMargin(fmm(8));
    tableFormat.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    tableFormat.setColumnWidthConstraints({ QTextLength(QTextLength::PercentageLength, 88),
                                            QTextLength(QTextLength::PercentageLength, 12) });
    const QStringList sections = source.sections();
    cursor.movePosition(QTextCursor::End);
    QTextTable *table = cursor.insertTable(int(sections.size()), 2, tableFormat);
    QTextCharFormat rowChars;
    rowChars.setFont(textFont(11));
    for (int i = 0; i < sections.size(); ++i) {
        QTextCursor left = table->cellAt(i, 0).firstCursorPosition();
        left.insertText(QStringLiteral("%1.  %2").arg(i + 1).arg(sections.at(i)), rowChars);
        QTextCursor right = table->cellAt(i, 1).firstCursorPosition();
        QTextBlockFormat alignRight;
        alignRight.setAlignment(Qt::AlignRight);
        right.setBlockFormat(alignRight);
        right.insertText(i < pageNumbers.size() ? QString::number(pageNumbers.at(i)) : QString(),
                         rowChars);
    }
}

void drawPages(QPainter &painter, QPdfWriter &writer, QTextDocument &doc, double width,
               double height, bool &first)
{
    for (int page = 0; page < doc.pageCount(); ++page) {
        if (!first)
            writer.newPage();
        first = false;
        painter.save();
        painter.translate(0, -page * height);
        doc.drawContents(&painter, QRectF(0, page * height, width, height));
        painter.restore();
    }
}

} // namespace

ManualRenderer::ManualRenderer(const ManualSource &source)
    : m_source(source)
{
}

bool ManualRenderer::render(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }

    bool painted = false;
    {
        QPdfWriter writer(&file);
        writer.setResolution(Resolution);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(22, 20, 22, 14), QPageLayout::Millimeter);
        writer.setTitle(m_source.title());
        writer.setCreator(QStringLiteral("dewscope-manual"));

        const QRectF area = writer.pageLayout().paintRectPixels(Resolution);
        const double width = area.width();
        const double footer = mm(10);
        const double bodyHeight = area.height() - footer;

        // Each document measures its text on the PDF itself, so layout and output agree.
        QTextDocument body;
        body.documentLayout()->setPaintDevice(&writer);
        body.setDefaultFont(textFont(10.5));
        body.setDocumentMargin(0);
        body.setMarkdown(m_source.body());
        styleDocument(body);
        body.setPageSize(QSizeF(width, bodyHeight));
        keepTogether(body, bodyHeight, mm(12));

        // The contents rows do not change height with their numbers, so the title pages are
        // laid out once with the body's page numbers shifted by the title pages' own count.
        const QList<int> bodyPages = sectionPages(body, bodyHeight);
        auto titleFor = [&](int offset) {
            auto doc = std::make_unique<QTextDocument>();
            doc->documentLayout()->setPaintDevice(&writer);
            doc->setDefaultFont(textFont(10.5));
            doc->setDocumentMargin(0);
            QList<int> numbers;
            for (int p : bodyPages)
                numbers.append(p + offset + 1);
            buildTitleDocument(*doc, m_source, m_subtitle, numbers);
            doc->setPageSize(QSizeF(width, area.height()));
            return doc;
        };
        const int titlePages = titleFor(1)->pageCount();
        std::unique_ptr<QTextDocument> title = titleFor(titlePages);
        const int total = titlePages + body.pageCount();

        QPainter painter;
        if (!painter.begin(&writer)) {
            if (error)
                *error = QStringLiteral("cannot paint on the PDF");
            return false;
        }
        bool first = true;
        drawPages(painter, writer, *title, width, area.height(), first);
        for (int page = 0; page < body.pageCount(); ++page) {
            writer.newPage();
            painter.save();
            painter.translate(0, -page * bodyHeight);
            body.drawContents(&painter, QRectF(0, page * bodyHeight, width, bodyHeight));
            painter.restore();

            // Footer: a thin rule, the title on the left, "page / pages" on the right.
            const double ruleY = bodyHeight + mm(3);
            painter.setPen(QPen(RuleColor, mm(0.2)));
            painter.drawLine(QPointF(0, ruleY), QPointF(width, ruleY));
            painter.setFont(textFont(8.5));
            painter.setPen(QColor(0x55, 0x5d, 0x66));
            const QRectF line(0, ruleY + mm(1), width, footer - mm(4));
            painter.drawText(line, Qt::AlignLeft | Qt::AlignTop, m_source.title());
            painter.drawText(line, Qt::AlignRight | Qt::AlignTop,
                             QStringLiteral("%1 / %2").arg(titlePages + page + 1).arg(total));
        }
        painted = painter.end();
    }
    if (!painted) {
        file.cancelWriting();
        if (error)
            *error = QStringLiteral("the PDF could not be completed");
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace dewscope::manual
