#include "../common/CommandRun.h"
#include "memory/MemoryImage.h"
#include "memory/SetRecords.h"
#include "meter/SimulatedMeter.h"

#include <QtTest>

using namespace dewscope;

namespace {
// Records of 25.0 °C / 50.0 % in sets of `records`, closed by markers; the header of the
// worked example (start 10:30:00, end 10:45:30, 60 s) with the given slot count.
QByteArray image(int sets, int records, int slotCount = -1)
{
    QByteArray bytes = SimulatedMeter::makeMemoryImage(sets, records, QTime(10, 30), 60);
    bytes.replace(4, 3, QByteArray::fromHex("104530"));
    if (slotCount >= 0)
        bytes.replace(8, 2, QByteArray(1, char(slotCount >> 8)) + char(slotCount & 0xFF));
    for (int at = 11; at + 4 <= bytes.size(); at += 4) {
        if (bytes.mid(at, 4) != QByteArray(4, '\xFF'))
            bytes.replace(at, 4, SimulatedMeter::encodeValues(25.0, 50.0));
    }
    return bytes;
}
} // namespace

class TestMemory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sets_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("fault"); // MemoryImage::Fault
        QTest::addColumn<int>("perSet");
        QTest::addColumn<int>("setCount");
        QTest::addColumn<int>("lastSet"); // records of the last set
        const QByteArray marker(4, '\xFF');
        QTest::newRow("2 sets of 3") << image(2, 3) << 0 << 3 << 2 << 3;
        QTest::newRow("4 sets of 3") << image(4, 3) << 0 << 3 << 4 << 3;
        QTest::newRow("S=7 shorter last set") << image(2, 3, 7) << 0 << 3 << 2 << 2;
        QTest::newRow("S=9 longer last set") << image(2, 3, 9) << 0 << 3 << 2 << 4;
        QTest::newRow("S=1 no set") << image(1, 3, 1) << 0 << 3 << 0 << 0;
        QTest::newRow("p=17 rounds 1.5 up")
            << image(1, 0, 9).left(11).append(6, 0).append(marker) << 0 << 2 << 3 << 2;
        QTest::newRow("p=21 rounds 2.5 down")
            << image(1, 0, 9).left(11).append(10, 0).append(marker) << 0 << 2 << 3 << 2;
        QTest::newRow("short header") << image(1, 3).left(10) << 1 << 0 << 0 << 0;
        QTest::newRow("no marker") << image(1, 3).left(23) << 2 << 0 << 0 << 0;
        QTest::newRow("marker after header") << image(2, 0) << 3 << 0 << 0 << 0;
        QTest::newRow("p=13 rounds 0.5 to 0")
            << image(1, 0, 9).left(11).append(2, 0).append(marker) << 3 << 0 << 0 << 0;
        QTest::newRow("marker in header")
            << QByteArray(5, 0).append(marker).append(8, 0) << 3 << 0 << 0 << 0;
    }
    void sets()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, fault);
        QFETCH(int, setCount);
        QFETCH(int, perSet);
        QFETCH(int, lastSet);
        MemoryImage memory;
        memory.setBytes(bytes);
        QCOMPARE(int(memory.updateSets()), fault);
        const MemorySets &sets = memory.sets();
        QCOMPARE(sets.setRecordCount, perSet);
        QCOMPARE(sets.setCount, setCount);
        if (setCount > 0)
            QCOMPARE(sets.recordCount(setCount), lastSet);
        if (fault == 0)
            QCOMPARE(sets.startTime + ' ' + sets.endTime, QStringLiteral("10:30:00 10:45:30"));
    }

    void rows_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("set");
        QTest::addColumn<QStringList>("rows"); // number, time, °C, RH; * for an over-range row
        QTest::addColumn<int>("missing");
        const QStringList set2
            = { "1 10:30:00 25.0 50.0", "2 10:31:00 25.0 50.0", "3 10:32:00 25.0 50.0" };
        QTest::newRow("set 2 from byte 28") << image(2, 3) << 2 << set2 << 0;
        QByteArray overRange = image(2, 3);
        overRange[27] = char(0x80); // set 2, record 1: temperature over range
        QTest::newRow("over range")
            << overRange << 2 << QStringList { "1 10:30:00 OL 50.0 *", set2[1], set2[2] } << 0;
        QByteArray lateStart = image(1, 3);
        lateStart.replace(1, 3, QByteArray::fromHex("235930"));
        QTest::newRow("time of day wraps")
            << lateStart << 1
            << QStringList { "1 23:59:30 25.0 50.0", "2 00:00:30 25.0 50.0",
                             "3 00:01:30 25.0 50.0" }
            << 0;
        QTest::newRow("cut short") << image(2, 3).left(38) << 2 << set2.mid(0, 2) << 1;
        QTest::newRow("slot count past the end") << image(2, 3, 40) << 2 << set2 << 0;
        QTest::newRow("last set past the end") << image(2, 3, 43) << 11 << QStringList() << 2;
    }
    void rows()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, set);
        QFETCH(QStringList, rows);
        QFETCH(int, missing);
        MemorySets sets;
        QCOMPARE(MemoryImage::computeSets(bytes, &sets), MemoryImage::Fault::None);
        const SetRecords records(bytes, sets, set);
        QCOMPARE(records.available(), rows.size());
        QCOMPARE(records.missing(), missing);
        Reading reading;
        ReadingTexts texts;
        for (int i = 1; i <= records.available(); ++i) {
            const QStringList cells = records.row(i, reading, texts).split('\t');
            QCOMPARE(cells.size(), 9);
            const bool over = rows.at(i - 1).endsWith('*');
            QCOMPARE(QStringList({ cells[0], cells[1], cells[2], cells[5] }).join(' ')
                         + (over ? " *" : ""),
                     rows.at(i - 1));
            QCOMPARE(texts.recordFields(), cells.mid(2)); // the live texts follow the rows
            if (over) // temperature, dew point and wet bulb in both units
                QCOMPARE(
                    QStringList({ cells[2], cells[3], cells[4], cells[6], cells[7], cells[8] }),
                    QStringList(6, "OL"));
        }
    }

    void command_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("sets") << image(4, 3) << QStringList() << 0 << "10:30:00\t10:45:30\t4\n"
                              << "";
        QTest::newRow("set 2") << image(2, 3) << QStringList { "--set", "2" } << 0
                               << "1\t10:30:00\t25.0\t"
                               << "";
        QTest::newRow("set 0") << image(2, 3) << QStringList { "--set", "0" } << 1 << ""
                               << "Invalid, try again!\n";
        QTest::newRow("set 3") << image(2, 3) << QStringList { "--set", "3" } << 1 << ""
                               << "Invalid, try again!\n";
        QTest::newRow("malformed") << image(2, 0) << QStringList() << 1 << ""
                                   << "Warning! Operation error!\nPlease download try again!\n";
    }
    void command()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QTemporaryFile file;
        QVERIFY(file.open() && file.write(bytes) == bytes.size() && file.flush());
        test::CommandRun run(QStringList { "memory", file.fileName() } + options);
        QCOMPARE(run.code, code);
        QCOMPARE(run.out().left(out.size()), out);
        QCOMPARE(run.err(), err);
    }
};

QTEST_APPLESS_MAIN(TestMemory)
#include "tst_memory.moc"
