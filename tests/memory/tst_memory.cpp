#include "meter/SimulatedMeter.h"
#include "tests/common/CommandRun.h"
#include "tests/common/TestData.h"

#include <QtTest>

using namespace dewscope;
using test::row;

namespace {
// Sets of records of 25.0 °C / 50.0 % under the header of the worked example (start 10:30:00,
// end 10:45:30, 60 s), with another slot count, and bytes patched at an offset.
QByteArray image(int sets, int records, int slotCount = -1, int at = 4, QByteArray patch = "104530")
{
    QByteArray bytes = SimulatedMeter::makeMemoryImage(sets, records, QTime(10, 30), 60);
    for (int i = 11; i + 4 <= bytes.size(); i += 4)
        bytes.replace(i, 4,
                      bytes.mid(i, 4) == "\xFF\xFF\xFF\xFF" ? "\xFF\xFF\xFF\xFF"
                                                            : QByteArray::fromHex("00FA01F4"));
    if (slotCount >= 0)
        bytes[9] = char(slotCount);
    return bytes.replace(4, 3, QByteArray::fromHex("104530"))
        .replace(at, patch.size() / 2, QByteArray::fromHex(patch));
}
QString rows(int count, const char *start = "10:30:00", int first = 1)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("%1 %2 25.0 13.9 18.0 50.0 77.0 57.0 64.4")
                     .arg(first + i)
                     .arg(QTime::fromString(start).addSecs(60 * i).toString());
    return lines.join('|');
}
} // namespace

// dewscope-cli memory IMAGE [--set N]: the memory's times and set count, or a set's rows as
// the Data List gets them (the set computation and the record rows of the memory panel).
class TestMemory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void command_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("set");
        QTest::addColumn<QString>("out"); // lines joined by "|", TABs as blanks
        const QString marker = " -OL -OL -OL -OL -OL -OL -OL"; // a marker read as a record
        const QString fault = "Warning! Operation error!\nPlease download try again!";
        row("2 sets of 3", image(2, 3), "", "10:30:00 10:45:30 2");
        row("4 sets of 3", image(4, 3), "", "10:30:00 10:45:30 4");
        row("set 2 from byte 28", image(2, 3), "2", rows(3));
        row("S=7 shorter last set", image(2, 3, 7), "2", rows(2));
        row("S=9 longer last set", image(2, 3, 9), "2", rows(3) + "|4 10:33:00" + marker);
        row("p=21 rounds 2.5 to 2", image(2, 3, 9, 21, "FFFFFFFF"), "3",
            rows(1) + "|2 10:31:00" + marker);
        row("over range", image(2, 3, -1, 27, "80"), "2",
            "1 10:30:00 OL OL OL 50.0 OL OL OL|" + rows(2, "10:31:00", 2));
        row("time of day wraps", image(1, 2, -1, 1, "235930"), "1", rows(2, "23:59:30"));
        row("set 3 of 2", image(2, 3), "3", "Invalid, try again!");
        row("p=13 rounds 0.5 to 0", image(2, 3, 9, 13, "FFFFFFFF"), "", fault);
        row("marker after header", image(2, 0), "", fault);
        row("no marker", image(1, 3).left(23), "1", fault);
    }
    void command()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, set);
        QTemporaryFile file;
        QVERIFY(file.open() && file.write(bytes) == bytes.size() && file.flush());
        test::CommandRun run(
            QStringList { "memory", file.fileName(), "--set", set }.mid(0, set.isEmpty() ? 2 : 4));
        const bool failed = FETCHED(QString, out).contains('!');
        QCOMPARE(run.code, int(failed));
        QCOMPARE((failed ? run.err() : run.out())
                     .trimmed()
                     .replace('\t', ' ')
                     .replace('\n', failed ? "\n" : "|"),
                 FETCHED(QString, out));
    }
};

QTEST_APPLESS_MAIN(TestMemory)
#include "tst_memory.moc"
