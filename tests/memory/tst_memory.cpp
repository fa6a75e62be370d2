#include "tests/common/CommandRun.h"
#include "tests/common/TestData.h"

#include <QtTest>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace dewscope;
using test::row;

namespace {
// Sets of records under the header of the worked example (start 10:30:00, end 10:45:30, 60 s),
// each set closed by a marker, with another slot count, and bytes patched at an offset. The
// record in slot j (from 1) holds j.0 °C and (40 + j).0 %, so every row tells its slot.
QByteArray image(int sets, int records, int slotCount = -1, int at = 0, const char *patch = "")
{
    QByteArray bytes = QByteArray::fromHex("001030001045303C000000");
    for (int slot = 1; slot <= sets * (records + 1); ++slot) {
        const int t = 10 * slot, rh = 400 + 10 * slot;
        const char record[] = { char(t >> 8), char(t), char(rh >> 8), char(rh) };
        bytes += slot % (records + 1) == 0 ? QByteArray(4, '\xFF') : QByteArray(record, 4);
    }
    bytes[9] = char(slotCount < 0 ? sets * (records + 1) : slotCount);
    return bytes.replace(at, qstrlen(patch) / 2, QByteArray::fromHex(patch));
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
        // Lines joined by "|"; of a row its number, time, °C, %RH and °F.
        QTest::addColumn<QString>("out");
        const QString fault = "Warning! Operation error!\nPlease download try again!";
        const QString set1 = "1 10:30:00 1.0 41.0 33.8|2 10:31:00 2.0 42.0 35.6";
        const QString set2 = "1 10:30:00 5.0 45.0 41.0|2 10:31:00 6.0 46.0 42.8";
        const QString marker = " -OL -OL -OL"; // a marker read as a record
        // clang-format off
        row("2 sets of 3", image(2, 3), "", "10:30:00 10:45:30 2");
        row("4 sets of 3", image(4, 3), "", "10:30:00 10:45:30 4");
        row("set 2 from byte 28", image(2, 3), "2", set2 + "|3 10:32:00 7.0 47.0 44.6");
        row("S=7 shorter last set", image(2, 3, 7), "2", set2);
        row("S=9 longer last set", image(2, 3, 9), "2", set2 + "|3 10:32:00 7.0 47.0 44.6|4 10:33:00" + marker);
        row("one set, S=5: 3 records", image(1, 3, 5), "1", set1 + "|3 10:32:00 3.0 43.0 37.4");
        row("p=14 rounds 0.75 to 1", image(2, 3, 8, 14, "FFFFFFFF"), "2", "1 10:30:00 3.0 43.0 37.4");
        row("p=17 rounds 1.5 to 2", image(2, 3, 8, 17, "FFFFFFFF"), "", "10:30:00 10:45:30 3");
        row("p=21 rounds 2.5 to 2", image(2, 3, 9, 21, "FFFFFFFF"), "3", "1 10:30:00 7.0 47.0 44.6|2 10:31:00" + marker);
        row("p=25 rounds 3.5 to 4", image(2, 5, 15, 25, "FFFFFFFF"), "", "10:30:00 10:45:30 3");
        row("over range", image(2, 3, -1, 27, "80"), "2", "1 10:30:00 OL 45.0 OL|2 10:31:00 6.0 46.0 42.8|3 10:32:00 7.0 47.0 44.6");
        row("time of day wraps", image(1, 2, -1, 1, "235930"), "1", "1 23:59:30 1.0 41.0 33.8|2 00:00:30 2.0 42.0 35.6");
        row("empty memory", image(0, 3), "", "10:30:00 10:45:30 0");
        row("set 3 of 2", image(2, 3), "3", "Invalid, try again!");
        row("p=13 rounds 0.5 to 0", image(2, 3, 9, 13, "FFFFFFFF"), "", fault);
        row("marker after header", image(2, 0), "", fault);
        row("no marker", image(1, 3).left(23), "1", fault);
        // clang-format on
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
        QStringList lines = (failed ? run.err() : run.out()).trimmed().split('\n');
        for (QString &line : lines) {
            const QStringList cells = line.split('\t');
            line = (cells.size() == 9
                        ? QStringList { cells[0], cells[1], cells[2], cells[5], cells[6] }
                        : cells)
                       .join(' ');
        }
        QCOMPARE(lines.join(failed ? "\n" : "|"), FETCHED(QString, out));
    }

    // A FIFO is refused at once; were it opened, a writer that comes in time keeps the test
    // from hanging.
    void fifo()
    {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath("fifo"));
        QVERIFY(::mkfifo(path.constData(), 0600) == 0);
        std::atomic<bool> done = false;
        std::thread writer([&] {
            for (int fd = -1; !done && fd < 0; usleep(30000))
                if ((fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK)) >= 0)
                    ::close(fd);
        });
        test::CommandRun run({ "memory", dir.filePath("fifo") });
        done = true;
        writer.join();
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err().contains("is not a regular file"), qPrintable(run.err()));
    }
};

QTEST_APPLESS_MAIN(TestMemory)
#include "tst_memory.moc"
