#include "app/HelpPanel.h"
#include "app/MainWindow.h"
#include "app/MainWindowText.h"
#include "app/MemoryCommands.h"
#include "app/MemoryPanel.h"
#include "tables/DataListWindow.h"
#include "tables/RecordTableModel.h"
#include "tables/RecordWindows.h"
#include "tests/common/CommandRun.h"
#include "tests/common/MeterRig.h"
#include "tests/common/TestData.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <sys/stat.h>

using namespace dewscope;
using test::row;

namespace {
QByteArray image(int sets, int records, int slotCount = -1)
{
    QByteArray bytes = SimulatedMeter::makeMemoryImage(sets, records, QTime(10, 30), 60);
    if (slotCount >= 0)
        bytes[9] = char(slotCount);
    return bytes;
}

// A main window with its poll on a simulated meter, its record windows and its memory.
struct MemoryRig : test::MeterRig
{
    MainWindow panel { &state, &link, &poll, nullptr };
    RecordWindows windows { nullptr, &panel };
    MemoryCommands memory { &panel, &windows };

    // The text of the message box the last action opened (its icon first), closed.
    QString takeMessage()
    {
        std::unique_ptr<QMessageBox> box(panel.findChild<QMessageBox *>());
        return box ? QString::number(box->icon()) + box->text() : QString();
    }
    int height() const { return panel.frameGeometry().height(); }
};
} // namespace

class TestMemoryGui : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void transfer_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("panelBefore"); // showing the sets of the image before
        QTest::addColumn<QString>("message"); // its icon first
        QTest::addColumn<bool>("kept"); // the image before stays the panel's
        QTest::addColumn<bool>("panelAfter");
        const QString incomplete = "2The memory download is incomplete: ";
        // clang-format off
        row("3 slots", image(1, 2), true, "", false, true);
        row("1000 slots", image(8, 124), true, "", false, true);
        row("marker past the image's length", image(2, 3, 1), true, "3Warning! Operation error!\nPlease download try again!", true, true);
        row("empty memory", image(0, 3), true, "1The meter's memory is empty.", false, false);
        row("stall", image(2, 3, 12), true, incomplete + "43 of 59 bytes (72.9%) arrived before the meter stopped sending. 2 of the 3 sets arrived whole.", false, true);
        row("stall before a whole set", image(8, 124).left(100), true, incomplete + "100 of 4011 bytes (2.5%) arrived before the meter stopped sending. No set arrived whole.", true, true);
        row("malformed, panel closed", image(2, 0), false, "3Warning! Operation error!\nPlease download try again!", true, true);
        // clang-format on
    }
    // The simulated meter's download over a pseudo-terminal: the caption rises to 100.0% Loaded
    // (or stops where the meter fell silent) and comes back; the panel shows the new image's
    // sets at 6585 twips, or closes when it has none; a failed download leaves the panel the
    // image before. Closing the panel gives back the height without it.
    void transfer()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        MemoryRig rig;
        QVERIFY(rig.start(20.0, 40.0, 500)); // the meter's own pace: a tick waits for each frame
        rig.panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.panel) && rig.runUntilDecoded(1));
        rig.panel.showMemoryPanel(false); // as the window's load does
        const int closed = rig.height();
        rig.memory.image()->setBytes(image(2, 3));
        rig.panel.showMemoryPanel(true);
        rig.panel.showMemoryPanel(FETCHED(bool, panelBefore));
        const QString caption = rig.panel.windowTitle();
        QSignalSpy captions(&rig.panel, &QWidget::windowTitleChanged);
        QSignalSpy ended(&rig.memory, &MemoryCommands::downloadEnded);
        rig.meter.setSilent(!message.isEmpty()); // no live frames after the image
        rig.meter.sendDownload(bytes);
        QVERIFY(ended.wait(15000));
        QVERIFY(captions.size() >= 2 && captions.takeLast().at(0).toString() == caption);
        double last = 0; // the percentages rise
        for (const QList<QVariant> &shown : captions) {
            QVERIFY(shown.at(0).toString().remove("% Loaded").toDouble() > last);
            last = shown.at(0).toString().remove("% Loaded").toDouble();
        }
        QCOMPARE(last == 100.0, !message.startsWith('2'));
        QCOMPARE(rig.takeMessage(), message);
        // Every byte value crossed the line as sent, 0xFF markers included, and the poll left
        // them to the transfer; a live frame in the last block stays behind the image.
        QVERIFY(rig.memory.image()->bytes().startsWith(FETCHED(bool, kept) ? image(2, 3) : bytes));
        QCOMPARE(rig.panel.isMemoryPanelVisible() ? rig.height() : 0,
                 FETCHED(bool, panelAfter)
                     ? mainwindow::twipsToPixels(6585, rig.panel.logicalDpiY())
                     : 0);
        QTest::mouseClick(rig.panel.findChild<QPushButton *>("BtnMemoryClose"), Qt::LeftButton);
        QTRY_COMPARE(rig.height(), closed);
        rig.meter.setSilent(false);
        QVERIFY(rig.runUntilDecoded(rig.decoded.count() + 1)); // the poll goes on
    }

    void downloadCommand_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // the image the meter sends
        QTest::addColumn<QList<int>>("send"); // bytes along with the announcement, bytes/s
        QTest::addColumn<int>("pauseMs"); // after the image, live frames again (-1: silent)
        QTest::addColumn<int>("stopMs"); // SIGINT (or as named, SIGHUP) this long after the start
        // At OUT: "old" (and "older" at OUT.partial), "empty", "fifo", or "appears" while the
        // command waits (", .new taken": OUT.new holds "older")
        QTest::addColumn<QString>("existing");
        QTest::addColumn<bool>("force");
        QTest::addColumn<QString>("text"); // the output, or a part of the message on failure
        QTest::addColumn<QList<int>>("partial"); // the least and most bytes kept in OUT.partial
        const QByteArray half = image(8, 30).left(501);
        const QString halfLost = "501 of 1003 bytes (50.0%) arrived before the meter stopped "
                                 "sending. 3 of the 8 sets arrived whole.";
        const QList<int> line { 0, 960 }, none;
        // clang-format off
        row("complete", image(2, 3), line, -1, 0, "", false, "10:30:00\t10:35:00\t2\n", none);
        row("first bytes with the announcement", image(2, 30), QList<int> { 100, 960 }, -1, 0, "", false, "10:30:00\t11:29:00\t2\n", none);
        row("empty memory", image(0, 3), line, -1, 0, "", false, "10:30:00\t10:30:00\t0\n", none);
        row("OUT holds data", image(2, 3), line, -1, 0, "old", false, "already holds data; give --force to overwrite it", none);
        row("--force replaces OUT", image(2, 3), line, -1, 0, "old", true, "10:30:00\t10:35:00\t2\n", none);
        row("OUT is empty", image(2, 3), line, -1, 0, "empty", false, "10:30:00\t10:35:00\t2\n", none);
        row("OUT appears meanwhile", image(2, 3), line, -1, 0, "appears", false, "appeared while the download ran and was left as it is; the memory image is in", none);
        row("OUT and OUT.new taken", image(2, 3), line, -1, 0, "appears, .new taken", false, "appeared while the download ran", none);
        row("OUT is a FIFO", image(2, 3), line, -1, 0, "fifo", false, "is not a regular file", none);
        row("stops half-way", half, line, -1, 0, "old", true, halfLost, QList<int> { 501, 501 });
        row("live frames after a pause", half, line, 1250, 0, "", false, halfLost, QList<int> { 501, 501 });
        row("a byte a second", image(2, 3), QList<int> { 0, 1 }, -1, 0, "", false, "of the 10 bytes that give the memory's size arrived before the meter stopped sending.", QList<int> { 1, 2 });
        row("320 bytes a second", image(8, 124), QList<int> { 0, 320 }, -1, 0, "", false, "arrived in the 11 s that a memory of 4011 bytes may take.", QList<int> { 3000, 4010 });
        row("stopped by the user", image(8, 124), line, -1, 2000, "", false, "arrived before you stopped it.", QList<int> { 1, 4010 });
        row("stopped by SIGHUP", image(8, 124), line, -1, 2000, "", false, "arrived before you stopped it.", QList<int> { 1, 4010 });
        // clang-format on
    }
    // dewscope-cli download against the simulated meter: the image in OUT and its sets printed,
    // or what arrived of an incomplete one in OUT.partial, OUT left as it was.
    void downloadCommand()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, send);
        QFETCH(int, pauseMs);
        QFETCH(int, stopMs);
        QFETCH(QString, existing);
        QFETCH(QList<int>, partial);
        test::MeterRig meter;
        // Silent, announcing once the command polls: the announcement falls into a wait.
        QVERIFY(meter.start(20.0, 40.0, 0) && (meter.link.close(), true));
        meter.meter.setFrameInterval(250);
        QTimer::singleShot(300, &meter.meter,
                           [&] { meter.meter.sendDownload(bytes, send[0], send[1]); });
        connect(&meter.meter, &SimulatedMeter::downloadSent, this, [&] {
            if (pauseMs >= 0)
                QTimer::singleShot(pauseMs, &meter.meter, [&] { meter.meter.setSilent(false); });
        });
        QTimer::singleShot(stopMs, &meter.meter, [&] {
            if (stopMs > 0 && meter.meter.isSendingDownload())
                std::raise(QTest::currentDataTag() == QLatin1String("stopped by SIGHUP") ? SIGHUP
                                                                                         : SIGINT);
        });
        QTemporaryDir dir;
        const QString out = dir.filePath("m");
        QVERIFY(existing != "fifo" || ::mkfifo(QFile::encodeName(out), 0600) == 0);
        QVERIFY(existing != "old"
                || (test::writeBytes(out, "old") && test::writeBytes(out + ".partial", "older")));
        const bool taken = existing.endsWith("taken"), appears = existing.startsWith("appears");
        QVERIFY((existing != "empty" || test::writeBytes(out, ""))
                && (!taken || test::writeBytes(out + ".new", "older")));
        if (appears)
            QTimer::singleShot(150, this, [&] { QVERIFY(test::writeBytes(out, "late")); });
        test::CommandRun run(QStringList { "download", "--port", meter.meter.path(), "--out", out,
                                           "--timeout=30", "--force" }
                                 .mid(0, FETCHED(bool, force) ? 7 : 6));
        QFETCH(QString, text);
        const bool success = text.startsWith("10:");
        QCOMPARE(run.code, success ? 0 : 1);
        QVERIFY2((success ? run.out() : run.err()).contains(text), qPrintable(run.err()));
        if (existing == "fifo")
            QVERIFY(QFileInfo(out).exists() && !QFileInfo(out).isFile());
        else
            QCOMPARE(test::readBytes(out),
                     success ? bytes
                             : QByteArray(existing == "old" ? "old"
                                              : appears     ? "late"
                                                            : "<cannot open>"));
        if (appears) // beside it, by the same rule
            QVERIFY(test::readBytes(out + ".new") == (taken ? "older" : bytes)
                    && test::readBytes(out + ".new.1") == (taken ? bytes : "<cannot open>"));
        const QByteArray kept = test::readBytes(out + ".partial");
        if (partial.isEmpty())
            QCOMPARE(kept, existing == "old" ? "older" : "<cannot open>");
        else
            QVERIFY2(bytes.startsWith(kept) && kept.size() >= partial[0]
                         && kept.size() <= partial[1],
                     qPrintable(QString::number(kept.size())));
    }

    void loadSet_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("rows"); // -1: refused
        QTest::addColumn<QString>("message");
        row("set 2", image(2, 3), "2", 3, "");
        row("set 0", image(2, 3), "0", -1, "0Invalid, try again!");
        row("above the count", image(2, 3), "3", -1, "0Invalid, try again!");
        row("cut short", image(2, 3).left(38), "2", 2,
            "2Set 2 is cut short: the memory image ends before its last 1 of 3 records. The 2 "
            "records that arrived whole were loaded.");
        row("no start time", image(2, 3).replace(1, 1, "\x24"), "1", 3,
            "2The memory's starting time 24:30:00 is no time of day: the records carry no time.");
        row("malformed", image(2, 0), "", 0,
            "3Warning! Operation error!\nPlease download try again!");
    }
    // Enter in the set box: rows numbered from 1 in a fresh Data List, its caption back at the
    // end, the live texts those of the last record; refusals empty the box. A malformed image
    // leaves the panel with the values it showed.
    void loadSet()
    {
        QFETCH(QString, typed);
        QFETCH(int, rows);
        MemoryRig rig;
        rig.panel.show();
        rig.memory.image()->setBytes(image(2, 3));
        rig.panel.showMemoryPanel(true);
        rig.memory.image()->setBytes(FETCHED(QByteArray, bytes));
        rig.panel.showMemoryPanel(true);
        rig.windows.openDataList()->model()->addItem("stale row");
        QSignalSpy loaded(&rig.memory, &MemoryCommands::setLoaded);
        if (!typed.isEmpty())
            QTest::keyClicks(rig.panel.memoryPanel()->setBox(), "\b" + typed + "\r");
        QVERIFY(rows <= 0 || loaded.wait(2000));
        QCOMPARE(rig.takeMessage(), FETCHED(QString, message));
        QCOMPARE(rig.panel.memoryPanel()->setBox()->text(),
                 rows < 0              ? ""
                     : typed.isEmpty() ? "2"
                                       : typed);
        QTRY_COMPARE(
            rig.windows.currentDataList() ? rig.windows.currentDataList()->model()->rows() - 1 : -1,
            qMax(rows, -1) + (rows == 0));
        if (rows > 0) {
            // The frame beside the main window, level with its top, on the screen.
            const QRect frame = rig.windows.currentDataList()->frameGeometry();
            QVERIFY(rig.panel.screen()->availableGeometry().contains(frame)
                    && frame.top() == rig.panel.frameGeometry().top());
            RecordTableModel *model = rig.windows.currentDataList()->model();
            QCOMPARE(rig.windows.currentDataList()->windowTitle() + model->cellText(rows, 0)
                         + model->rowCells(rows).mid(2).join(' '),
                     "Data List" + QString::number(rows)
                         + rig.state.texts.recordFields().join(' '));
        }
    }

    // Mutated and random images (cut short, wrong slot counts, markers anywhere, random bytes)
    // through the set computation and the set loader: no read past the image, every load ends.
    void fuzz()
    {
        QRandomGenerator random(20261206);
        RecordTableModel model;
        Reading reading;
        ReadingTexts texts;
        for (int round = 0; round < 2000; ++round) {
            QByteArray bytes = image(random.bounded(1, 6), random.bounded(0, 40));
            const int kind = round % 5;
            const auto at = [&] { return int(random.bounded(bytes.size())); };
            bytes.truncate(kind == 0 ? random.bounded(300) : kind == 1 ? at() : bytes.size());
            for (int i = kind == 2 ? random.bounded(1, 4) : 0; i > 0; --i)
                bytes.replace(at(), 4, "\xFF\xFF\xFF\xFF");
            for (int i = kind == 0 ? bytes.size() : kind == 3 ? 2 : kind == 4 ? 9 : 0; i > 0; --i)
                bytes[kind == 0 ? i - 1 : kind == 3 ? 7 + i : at()] = char(random.bounded(256));
            MemorySets sets;
            MemoryImage::computeSets(bytes, &sets);
            const int set = int(random.bounded(sets.setCount + 2)); // 0 to one past the last
            const SetRecords records(bytes, sets, set);
            QVERIFY(!records.available()
                    || sets.firstRecordOffset(set) + 4 * records.available() <= bytes.size());
            SetLoader loader(&model, records, &reading, &texts);
            QSignalSpy finished(&loader, &SetLoader::finished);
            model.setRows(1);
            loader.start();
            QVERIFY(finished.wait(5000));
            QCOMPARE(model.rows() - 1 + records.missing(), records.count());
        }
    }
};

QTEST_MAIN(TestMemoryGui)
#include "tst_memory_gui.moc"
