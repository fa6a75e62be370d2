// The help manuals: the six PDFs the help panel opens, their Markdown sources, and the tool
// that typesets them at build time.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString HelpDir = QStringLiteral(HYGROLOG_HELP_DIR);
const QString SourceDir = QStringLiteral(HYGROLOG_MANUAL_SOURCE_DIR);
const QString Tool = QStringLiteral(HYGROLOG_MANUAL_TOOL);

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Page objects of a PDF ("/Type /Page", not the "/Type /Pages" tree node).
int pageObjects(const QByteArray &pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![A-Za-z])"));
    int count = 0;
    for (auto it = page.globalMatch(QString::fromLatin1(pdf)); it.hasNext(); it.next())
        ++count;
    return count;
}

// Glyphs drawn on all pages: QPdfWriter shows every glyph with its own Tj operator inside the
// compressed page contents.
int drawnGlyphs(const QByteArray &pdf)
{
    int glyphs = 0;
    qsizetype from = 0;
    while (true) {
        qsizetype start = pdf.indexOf("stream", from);
        if (start < 0)
            break;
        start += 6;
        if (start < pdf.size() && pdf.at(start) == '\r')
            ++start;
        if (start < pdf.size() && pdf.at(start) == '\n')
            ++start;
        const qsizetype end = pdf.indexOf("endstream", start);
        if (end < 0)
            break;
        // qUncompress wants the expected size in front; a small hint grows as needed.
        QByteArray packed("\0\0\x10\0", 4);
        packed += pdf.mid(start, end - start);
        const QByteArray contents = qUncompress(packed);
        if (contents.contains("BT"))
            glyphs += int(contents.count(" Tj"));
        from = end + 9;
    }
    return glyphs;
}

// The page count the PDF's page tree declares.
int declaredPages(const QByteArray &pdf)
{
    static const QRegularExpression count(QStringLiteral(
        "/Type\\s*/Pages\\b[^>]*?/Count\\s+(\\d+)|/Count\\s+(\\d+)[^>]*?/Type\\s*/Pages\\b"));
    const QRegularExpressionMatch m = count.match(QString::fromLatin1(pdf));
    if (!m.hasMatch())
        return -1;
    return (m.captured(1).isEmpty() ? m.captured(2) : m.captured(1)).toInt();
}

// The outline of a Markdown source: heading levels in order ("2233..."), outside code fences.
struct Outline
{
    QString levels;
    int tables = 0;
    QStringList codeBlocks;
};

Outline outline(const QString &markdown)
{
    Outline result;
    bool inFence = false;
    QString block;
    static const QRegularExpression heading(QStringLiteral("^ {0,3}(#{1,6})(\\s|$)"));
    static const QRegularExpression delimiterRow(QStringLiteral("^\\|?\\s*:?-{3,}"));
    for (const QString &line : markdown.split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QLatin1String("```"))) {
            if (inFence)
                result.codeBlocks.append(block);
            block.clear();
            inFence = !inFence;
            continue;
        }
        if (inFence) {
            block += line + QLatin1Char('\n');
            continue;
        }
        const QRegularExpressionMatch m = heading.match(line);
        if (m.hasMatch())
            result.levels += QString::number(m.captured(1).size());
        if (delimiterRow.match(line).hasMatch())
            ++result.tables;
    }
    return result;
}

struct Language
{
    const char *source;
    const char *pdf;
};

// By the help panel's option index.
const Language Languages[] = {
    { "en", "VK38-SW-HELP-EN_V3.1.pdf" }, { "pt", "VK38-SW-HELP-BPT_V3.1.pdf" },
    { "de", "VK38-SW-HELP-DE_V3.1.pdf" }, { "es", "VK38-SW-HELP-ES_V3.1.pdf" },
    { "fr", "VK38-SW-HELP-FR_V3.1.pdf" }, { "it", "VK38-SW-HELP-IT_V3.1.pdf" },
};

} // namespace

class TestManuals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void builtPdf_data();
    void builtPdf();
    void sameStructureAsEnglish_data();
    void sameStructureAsEnglish();
    void quotesProgramTexts_data();
    void quotesProgramTexts();
    void toolRefusesBadSources_data();
    void toolRefusesBadSources();
    void toolPaginates_data();
    void toolPaginates();
};

void TestManuals::builtPdf_data()
{
    QTest::addColumn<QString>("pdfName");
    QTest::addColumn<QString>("sourceName");
    for (const Language &language : Languages)
        QTest::newRow(language.source)
            << QString::fromLatin1(language.pdf) << QString::fromLatin1(language.source) + ".md";
}

void TestManuals::builtPdf()
{
    QFETCH(QString, pdfName);
    QFETCH(QString, sourceName);
    const QString path = QDir(HelpDir).filePath(pdfName);
    QVERIFY2(QFileInfo::exists(path), qPrintable(path + " was not built"));

    const QByteArray pdf = readAll(path);
    QVERIFY2(pdf.startsWith("%PDF-"), "not a PDF");
    // A writer that stopped half-way leaves no trailer.
    QVERIFY2(pdf.trimmed().endsWith("%%EOF"), "the PDF is cut short");

    const int pages = pageObjects(pdf);
    QVERIFY2(pages > 1, qPrintable(QStringLiteral("%1 page(s)").arg(pages)));
    QCOMPARE(declaredPages(pdf), pages);
    // Text was typeset with a real font: an embedded TrueType program is present.
    QVERIFY2(pdf.contains("/FontFile2"), "no embedded font: the text did not render");

    // An edited source must have been typeset again.
    const QFileInfo source(QDir(SourceDir).filePath(sourceName));
    QVERIFY(source.exists());
    QVERIFY2(QFileInfo(path).lastModified() >= source.lastModified(),
             "the PDF is older than its source");
}

void TestManuals::sameStructureAsEnglish_data()
{
    QTest::addColumn<QString>("language");
    for (const Language &language : Languages) {
        if (qstrcmp(language.source, "en") != 0)
            QTest::newRow(language.source) << QString::fromLatin1(language.source);
    }
}

void TestManuals::sameStructureAsEnglish()
{
    QFETCH(QString, language);
    const QString english = QString::fromUtf8(readAll(QDir(SourceDir).filePath("en.md")));
    const QString translated
        = QString::fromUtf8(readAll(QDir(SourceDir).filePath(language + ".md")));
    QVERIFY(!english.isEmpty());
    QVERIFY2(!translated.isEmpty(), "missing or empty source");

    const Outline reference = outline(english);
    const Outline other = outline(translated);
    QCOMPARE(other.levels.count(QLatin1Char('1')), 1);
    QCOMPARE(other.levels.count(QLatin1Char('2')), reference.levels.count(QLatin1Char('2')));
    QCOMPARE(other.levels, reference.levels);
    QCOMPARE(other.tables, reference.tables);
    // The command examples are the program's own output and stay the same in every language.
    QCOMPARE(other.codeBlocks, reference.codeBlocks);
}

void TestManuals::quotesProgramTexts_data()
{
    QTest::addColumn<QString>("language");
    for (const Language &language : Languages)
        QTest::newRow(language.source) << QString::fromLatin1(language.source);
}

void TestManuals::quotesProgramTexts()
{
    // The program's own captions and messages, which every manual quotes as the user sees
    // them; a translation must not translate or retype them.
    static const char *const texts[] = {
        "\"Datalogging Humidity-Temperature Meter\"",
        "\"COM Port\"",
        "\"COM  1\"",
        "\"AutoScan\"",
        "\"Device Manager\"",
        "\"No device available !\"",
        "\"Offline Mode\"",
        "\"No COM\"",
        "\"Input Sampling Time\"",
        "\"Enter the SAMPLING TIME in seconds\"",
        "\"(1 <= t <= 86400 )\"",
        "\"Recording Mode!\" \"Please stop recording!\"",
        "\"Aready in recording mode, close it and try again !\"",
        "\"Input No.s of Set and press Enter to Load\"",
        "\"Invalid, try again!\"",
        "\"Warning! Operation error!\" \"Please download try again!\"",
        "\"-20 <= Celsius <= 60, try again!\"",
        "\"-4 <= Fahrenheit <= 140, try again!\"",
        "\"10 <= Counts <= 864000, try again!\"",
        "\"Plot Data/File \"",
        "\"No port found\"",
        "\"Demo Meter\"",
        "\"Send memory download\"",
    };
    QFETCH(QString, language);
    const QString source = QString::fromUtf8(readAll(QDir(SourceDir).filePath(language + ".md")));
    QVERIFY2(!source.isEmpty(), "missing or empty source");
    QStringList missing;
    for (const char *text : texts) {
        if (!source.contains(QString::fromUtf8(text)))
            missing.append(QString::fromUtf8(text));
    }
    QVERIFY2(missing.isEmpty(), qPrintable("not quoted exactly: " + missing.join(", ")));
}

void TestManuals::toolRefusesBadSources_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("sourceExists");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("missing source") << QByteArray() << false << 1;
    QTest::newRow("no title") << QByteArray("## Section\n\nText.\n") << true << 1;
    QTest::newRow("no section") << QByteArray("# Title\n\nOnly a title page.\n") << true << 1;
    QTest::newRow("binary") << QByteArray("\x00\xff\x02\x03 garbage", 13) << true << 1;
    QTest::newRow("heading inside code only")
        << QByteArray("# Title\n\n```\n## not a section\n```\n") << true << 1;
}

void TestManuals::toolRefusesBadSources()
{
    QFETCH(QByteArray, source);
    QFETCH(bool, sourceExists);
    QFETCH(int, exitCode);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString input = dir.filePath("manual.md");
    const QString output = dir.filePath("manual.pdf");
    if (sourceExists) {
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(source);
    }
    // A manual built earlier stays as it was when a new build fails.
    const QByteArray earlier("%PDF-1.4 earlier manual\n%%EOF\n");
    {
        QFile file(output);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlier);
    }

    QProcess tool;
    tool.start(Tool, { input, output });
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), exitCode);
    QVERIFY(!tool.readAllStandardError().isEmpty());
    QCOMPARE(readAll(output), earlier);
}

void TestManuals::toolPaginates_data()
{
    QTest::addColumn<int>("sections");
    QTest::addColumn<int>("paragraphsPerSection");
    QTest::addColumn<int>("minPages");
    QTest::addColumn<int>("maxPages");
    // Title page plus body: a short manual has exactly two pages.
    QTest::newRow("one short section") << 1 << 1 << 2 << 2;
    // Sections of different lengths put headings and examples at every height of a page, so
    // some are moved to the next page; the contents of 40 sections run over a title page.
    QTest::newRow("long manual") << 40 << 9 << 20 << 400;
}

void TestManuals::toolPaginates()
{
    QFETCH(int, sections);
    QFETCH(int, paragraphsPerSection);
    QFETCH(int, minPages);
    QFETCH(int, maxPages);

    // Words as long as most of a line, so every letter of a paragraph is a drawn glyph and
    // only the blanks at the line ends may go undrawn.
    const QString word = QStringLiteral("hygrometer").repeated(6);
    const QString paragraph = QStringList(8, word).join(QLatin1Char(' '));
    QString markdown = QStringLiteral("# Test Manual\n\nFront matter: ÄÖÜ àéî ñ ç ß.\n\n");
    int letters = 0;
    for (int s = 1; s <= sections; ++s) {
        markdown += QStringLiteral("## Section %1\n\n").arg(s);
        for (int p = 0; p < paragraphsPerSection + s % 4; ++p) {
            markdown += paragraph + QStringLiteral("\n\n");
            letters += 8 * int(word.size());
        }
        markdown += QStringLiteral("```\nexample\t%1\nsecond\tline\n```\n\n").arg(s);
        letters += 7 + QString::number(s).size() + 10;
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString input = dir.filePath("manual.md");
    const QString output = dir.filePath("manual.pdf");
    {
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(markdown.toUtf8());
    }

    QProcess tool;
    tool.start(Tool,
               { QStringLiteral("--subtitle"), QStringLiteral("Hygrolog test"), input, output });
    QVERIFY(tool.waitForFinished(120000));
    QCOMPARE(tool.exitCode(), 0);

    const QByteArray pdf = readAll(output);
    QVERIFY(pdf.startsWith("%PDF-"));
    const int pages = pageObjects(pdf);
    QVERIFY2(pages >= minPages && pages <= maxPages, qPrintable(QString::number(pages)));
    QCOMPARE(declaredPages(pdf), pages);
    // Every letter of the body reaches a page: moving blocks to the next page loses nothing.
    const int glyphs = drawnGlyphs(pdf);
    QVERIFY2(glyphs >= letters,
             qPrintable(QStringLiteral("%1 glyphs drawn for %2 letters").arg(glyphs).arg(letters)));
}

QTEST_GUILESS_MAIN(TestManuals)
#include "tst_manuals.moc"
