// The help manuals: the six PDFs the help panel opens, their Markdown sources, and the tool
// that typesets them at build time.

#include "tests/common/TestData.h"

#include <QtTest>

using dewscope::test::readBytes;
using dewscope::test::writeBytes;

namespace {

const QString HelpDir = QStringLiteral(DEWSCOPE_HELP_DIR);
const QString SourceDir = QStringLiteral(DEWSCOPE_MANUAL_SOURCE_DIR);

// The page objects of a PDF ("/Type /Page", not the "/Type /Pages" tree node).
int pageCount(const QByteArray &pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![A-Za-z])"));
    return int(QString::fromLatin1(pdf).count(page));
}

// Glyphs drawn on all pages: QPdfWriter shows every glyph with its own Tj operator inside the
// compressed page contents.
int drawnGlyphs(const QByteArray &pdf)
{
    static const QRegularExpression stream(QStringLiteral("stream\\r?\\n(.*?)endstream"),
                                           QRegularExpression::DotMatchesEverythingOption);
    int glyphs = 0;
    for (auto it = stream.globalMatch(QString::fromLatin1(pdf)); it.hasNext();) {
        // qUncompress wants the expected size in front; a small hint grows as needed.
        const QByteArray contents
            = qUncompress(QByteArray("\0\0\x10\0", 4) + it.next().captured(1).toLatin1());
        if (contents.contains("BT"))
            glyphs += int(contents.count(" Tj"));
    }
    return glyphs;
}

// A manual of 40 sections whose body letters are all drawn glyphs (words as long as most of a
// line, so only the blanks at line ends may go undrawn); counts those letters. Sections of
// different lengths put headings and examples at every height of a page.
QByteArray longManual(int *letters)
{
    const QString paragraph = QStringList(8, QStringLiteral("hygrometer").repeated(6)).join(' ');
    QString markdown = QStringLiteral("# Test Manual\n\nFront matter: ÄÖÜ àéî ñ ç ß.\n\n");
    for (int s = 1; s <= 40; ++s) {
        markdown += QStringLiteral("## Section %1\n\n").arg(s)
            + QString(paragraph + "\n\n").repeated(9 + s % 4)
            + QStringLiteral("```\nexample\t%1\nsecond\tline\n```\n\n").arg(s);
        // Letters: the paragraphs' but their seven blanks, and the example's.
        *letters += (9 + s % 4) * int(paragraph.size() - 7) + 17 + int(QString::number(s).size());
    }
    return markdown.toUtf8();
}

} // namespace

class TestManuals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void language_data()
    {
        // By the help panel's option index; the tag names the source.
        QTest::addColumn<QString>("pdf");
        QTest::newRow("en") << "VK38-SW-HELP-EN_V3.1.pdf";
        QTest::newRow("pt") << "VK38-SW-HELP-BPT_V3.1.pdf";
        QTest::newRow("de") << "VK38-SW-HELP-DE_V3.1.pdf";
        QTest::newRow("es") << "VK38-SW-HELP-ES_V3.1.pdf";
        QTest::newRow("fr") << "VK38-SW-HELP-FR_V3.1.pdf";
        QTest::newRow("it") << "VK38-SW-HELP-IT_V3.1.pdf";
    }
    // Each language's manual. Its source has one title and quotes the program's messages
    // exactly as the user sees them, so that a user finds them there. Its PDF is in the help
    // folder under its exact name: whole, several pages, the font embedded, and typeset again
    // since the source last changed.
    void language()
    {
        static const QStringList messages
            = QString::fromUtf8(
                  R"t("No device available !"|"Offline Mode"|"No COM"|"No port found")t"
                  R"t(|"Recording Mode!" "Please stop recording!")t"
                  R"t(|"Aready in recording mode, close it and try again !"|"Invalid, try again!")t"
                  R"t(|"Warning! Operation error!" "Please download try again!")t"
                  R"t(|"-20 <= Celsius <= 60, try again!"|"-4 <= Fahrenheit <= 140, try again!")t"
                  R"t(|"10 <= Counts <= 864000, try again!")t")
                  .split(QLatin1Char('|'));
        QFETCH(QString, pdf);
        const QString sourcePath = SourceDir + "/" + QTest::currentDataTag() + ".md";
        const QString markdown = QString::fromUtf8(readBytes(sourcePath));
        QVERIFY2(QFileInfo(sourcePath).size() > 0, "missing or empty source");
        QCOMPARE(markdown.count(QRegularExpression(QStringLiteral("(^|\n)# "))), 1);
        QStringList missing = messages;
        missing.removeIf([&markdown](const QString &text) { return markdown.contains(text); });
        QVERIFY2(missing.isEmpty(), qPrintable("not quoted exactly: " + missing.join(", ")));

        const QString path = QDir(HelpDir).filePath(pdf);
        QVERIFY2(QFileInfo::exists(path), qPrintable(path + " was not built"));
        const QByteArray bytes = readBytes(path);
        QVERIFY2(bytes.startsWith("%PDF-") && bytes.trimmed().endsWith("%%EOF"), "not a whole PDF");
        QCOMPARE_GT(pageCount(bytes), 1);
        QVERIFY2(bytes.contains("/FontFile2"), "no embedded font: the text did not render");
        QVERIFY2(QFileInfo(path).lastModified() >= QFileInfo(sourcePath).lastModified(),
                 "the PDF is older than its source");
    }

    void typeset_data()
    {
        QTest::addColumn<QByteArray>("source"); // none when null
        QTest::addColumn<int>("letters"); // none: the source is refused
        QTest::newRow("missing source") << QByteArray() << 0;
        QTest::newRow("no title") << QByteArray("## Section\n\nText.\n") << 0;
        QTest::newRow("heading inside code only")
            << QByteArray("# Title\n\n```\n## not a section\n```\n") << 0;
        int letters = 0;
        // Some headings and examples move to the next page; the contents run over a title page:
        // 20 to 400 pages.
        const QByteArray manual = longManual(&letters);
        QTest::newRow("long manual") << manual << letters;
    }
    // The tool refuses a bad source, says why, and leaves the manual built earlier as it was;
    // a good one is paginated without losing a letter across page ends.
    void typeset()
    {
        QFETCH(QByteArray, source);
        QFETCH(int, letters);
        QTemporaryDir dir;
        const QString input = dir.filePath("manual.md"), output = dir.filePath("manual.pdf");
        const QByteArray earlier("%PDF-1.4 earlier manual\n%%EOF\n");
        QVERIFY((source.isNull() || writeBytes(input, source)) && writeBytes(output, earlier));

        QProcess tool;
        tool.start(QStringLiteral(DEWSCOPE_MANUAL_TOOL),
                   { "--subtitle", "Dewscope test", input, output });
        QVERIFY(tool.waitForFinished(120000) && tool.exitStatus() == QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), letters > 0 ? 0 : 1);
        const QByteArray pdf = readBytes(output);
        if (letters == 0) {
            QVERIFY(!tool.readAllStandardError().isEmpty());
            QCOMPARE(pdf, earlier);
            return;
        }
        QCOMPARE_GE(pageCount(pdf), 20);
        QCOMPARE_LE(pageCount(pdf), 400);
        // Every letter of the body reaches a page: moving blocks to the next page loses none.
        QCOMPARE_GE(drawnGlyphs(pdf), letters);
    }
};

QTEST_GUILESS_MAIN(TestManuals)
#include "tst_manuals.moc"
