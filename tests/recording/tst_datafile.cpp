#include "recording/DataFile.h"
#include "recording/DataFileReader.h"
#include "recording/OutputFile.h"
#include "tests/common/TestData.h"

#include <QBuffer>
#include <QTimeZone>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace dewscope;

namespace {
// Every item of a file, each next() looking at no more than the budget of bytes.
QStringList readAll(const QByteArray &bytes, qint64 budget = -1)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    DataFileReader reader(&buffer);
    QStringList items;
    QString item;
    for (DataFileReader::Status status;
         (status = reader.next(&item, budget)) != DataFileReader::Status::End;)
        if (status == DataFileReader::Status::Item)
            items.append(item);
    return items;
}
} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writtenLines()
    {
        // The recorder's line (nine fields, no trailing TAB) is checked end to end by
        // test_record_command; a saved grid row has every cell followed by a TAB.
        QCOMPARE(DataFile::gridSaveLine({ "1", "10:30:00", "25.0" }),
                 QByteArray("1\t10:30:00\t25.0\t\r\n"));
        QCOMPARE(DataFile::gridSaveLine({}), QByteArray("\r\n"));
    }

    // The tenth field: read as UTC seconds (worked out with an independent calendar) and its
    // offset, and written back the same; anything off the fixed layout is no date.
    void moments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("utc"); // -1: not a date and time
        QTest::addColumn<int>("offset");
        test::row("winter, east", QString("2026-12-07T14:03:22+01:00"), qint64(1796648602), 3600);
        test::row("leap day, west by a half hour", QString("2000-02-29T23:59:59-05:30"),
                  qint64(951888599), -19800);
        test::row("the hour summer time begins", QString("2026-03-29T03:00:00+02:00"),
                  qint64(1774746000), 7200);
        test::row("1970", QString("1970-01-01T00:00:00+00:00"), qint64(0), 0);
        for (const char *bad :
             { "2026-02-29T10:00:00+01:00", "2026-12-07T14:03:22Z", "2026-12-07 14:03:22+01:00",
               "2026-13-01T10:00:00+01:00", "2026-12-07T24:00:00+01:00", "2026-12-07T14:03:22+0100",
               "2026-12-07T14:03:22.5+01:00", "" })
            test::row(bad, QString(bad), qint64(-1), 0);
    }
    void moments()
    {
        QFETCH(QString, text);
        QFETCH(qint64, utc);
        DataFile::Moment m;
        QCOMPARE(DataFile::readMoment(text, &m), utc >= 0);
        if (utc < 0)
            return;
        QCOMPARE(m.utc, utc);
        QTEST(m.offset, "offset");
        QCOMPARE(DataFile::momentText(m.local(), &m.offset), text);
        QCOMPARE(DataFile::dateTimeText(
                     QDateTime::fromSecsSinceEpoch(utc, QTimeZone(m.offset)).addMSecs(999)),
                 text);
    }

    void reader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("items"); // each in brackets

        // clang-format off
        QTest::newRow("empty file") << QByteArray() << "";
        QTest::newRow("last line without end") << QByteArray("a\r\nb") << "[a][b]";
        QTest::newRow("LF only") << QByteArray("a\nb\n") << "[a][b]";
        QTest::newRow("CR only") << QByteArray("a\rb\r") << "[a][b]";
        QTest::newRow("empty line is an empty item") << QByteArray("a\r\n\r\nb\r\n") << "[a][][b]";
        QTest::newRow("comma splits a line") << QByteArray("1\t10:00,5\t20\r\n") << "[1\t10:00][5\t20]";
        QTest::newRow("comma at file end") << QByteArray("a,") << "[a]";
        QTest::newRow("leading blanks skipped, trailing kept") << QByteArray("   a b  \r\n") << "[a b  ]";
        QTest::newRow("leading tab kept") << QByteArray("\t1\r\n") << "[\t1]";
        QTest::newRow("blanks before end of file") << QByteArray("a\r\n   ") << "[a][]";
        QTest::newRow("quoted item keeps commas") << QByteArray("\"a,b\"\r\nc") << "[a,b][c]";
        QTest::newRow("text after closing quote dropped") << QByteArray("\"a\"xyz,b\r\n") << "[a][b]";
        QTest::newRow("unclosed quote ends at end of file") << QByteArray("\"a\r\nd") << "[a\r\nd]";
        QTest::newRow("NUL and high bytes kept") << QByteArray("a\0b\xE9\xFF\r\n", 7) << QString::fromLatin1("[a\0b\xE9\xFF]", 7);
        // clang-format on
    }

    void reader()
    {
        // Whatever the byte budget of each call, the same items.
        QFETCH(QByteArray, bytes);
        for (qint64 budget : { -1, 1, 2, 3, 7 }) {
            const QStringList items = readAll(bytes, budget);
            QTEST(items.isEmpty() ? QString() : '[' + items.join(QLatin1String("][")) + ']',
                  "items");
        }
    }

    void wholeFileOutput_data()
    {
        QTest::addColumn<QString>("kind"); // what stands at the target before
        QTest::addColumn<bool>("commit"); // the writer finishes (or gives up half-way)
        QTest::addColumn<QString>("refusal"); // the start of the reason; empty: written
        // clang-format off
        dewscope::test::row("new file", QString("none"), true, QString());
        dewscope::test::row("earlier file replaced", QString("file"), true, QString());
        dewscope::test::row("earlier file kept when the writer gives up", QString("file"), false, QString("-"));
        dewscope::test::row("write-protected file", QString("protected"), true, QString("is write-protected"));
        dewscope::test::row("folder", QString("folder"), true, QString("is a folder"));
        dewscope::test::row("FIFO", QString("fifo"), true, QString("is not a regular file"));
        dewscope::test::row("device", QString("device"), true, QString("is not a regular file"));
        dewscope::test::row("the input itself, by another name", QString("input"), true, QString("is the input file itself"));
        dewscope::test::row("folder missing", QString("missing folder"), true, QString("cannot be written: No such file"));
        // clang-format on
    }

    void wholeFileOutput()
    {
        QFETCH(QString, kind);
        QFETCH(bool, commit);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString input = dir.filePath("input.txt");
        QString target = dir.filePath("out.pdf");
        QVERIFY(dewscope::test::writeBytes(input, "data"));
        if (kind == "file" || kind == "protected")
            QVERIFY(dewscope::test::writeBytes(target, "old"));
        if (kind == "protected")
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup));
        if (kind == "folder")
            QVERIFY(QDir(dir.path()).mkdir("out.pdf"));
        if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
        if (kind == "device")
            target = "/dev/null";
        if (kind == "input")
            QCOMPARE(::link(qPrintable(input), qPrintable(target)), 0); // a hard link
        if (kind == "missing folder")
            target = dir.filePath("no/out.pdf");
        const QStringList before
            = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);

        OutputFile output(target, { input });
        bool written = output.open() && output.device()->write("new") == 3;
        if (written && commit) {
            written = output.commit();
        } else {
            output.cancel();
            written = false;
        }
        if (!refusal.isEmpty() && refusal != "-")
            QVERIFY2(output.errorString().startsWith(target + ' ' + refusal),
                     qPrintable(output.errorString()));
        QCOMPARE(written, refusal.isEmpty());
        // Nothing left behind, nothing removed, nothing written into what was there.
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                 kind == "none" && written ? before + QStringList { "out.pdf" } : before);
        const QByteArray expected = written ? "new" : kind == "input" ? "data" : "old";
        if (kind == "none" || kind == "file" || kind == "protected" || kind == "input")
            QCOMPARE(dewscope::test::readBytes(target), expected);
        struct stat info
        {
        };
        QVERIFY(kind == "missing folder"
                || ::stat(QFile::encodeName(target).constData(), &info) == 0);
        QVERIFY(kind != "fifo" || S_ISFIFO(info.st_mode));
        QVERIFY(kind != "device" || S_ISCHR(info.st_mode));
    }

    void failingDevice()
    {
        // Reads that fail (here: a device never opened) end the reading with an error, no loop.
        QBuffer unopened;
        DataFileReader reader(&unopened);
        QString item;
        QCOMPARE(reader.next(&item), DataFileReader::Status::End);
        QVERIFY(reader.hasError());
    }
};

QTEST_APPLESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
