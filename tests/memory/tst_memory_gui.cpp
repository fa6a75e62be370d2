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
        QTest::addColumn<QString>("message");
        row("3 slots", image(1, 2), "");
        row("1000 slots", image(8, 124), "");
        row("no set", image(2, 3, 1), "");
        row("stall", image(2, 3, 12),
            "2The memory download is incomplete: 43 of 59 bytes (72.9%) "
            "arrived before the meter stopped sending.");
    }
    // The simulated meter's download over a pseudo-terminal: the caption rises to 100.0% Loaded
    // (or stops where the meter fell silent) and comes back; the panel opens at 6585 twips when
    // there are sets, and closing it gives back the height from before.
    void transfer()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        MemoryRig rig;
        QVERIFY(rig.start(20.0, 40.0, 500)); // the meter's own pace: a tick waits for each frame
        rig.memory.transfer()->setStallLimit(1000);
        rig.panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.panel) && rig.runUntilDecoded(1));
        rig.panel.showMemoryPanel(false); // as the window's load does
        const int before = rig.height();
        const QString caption = rig.panel.windowTitle();
        QSignalSpy captions(&rig.panel, &QWidget::windowTitleChanged);
        QSignalSpy ended(&rig.memory, &MemoryCommands::downloadEnded);
        rig.meter.setSilent(!message.isEmpty()); // no live frames after the image
        rig.meter.sendDownload(bytes);
        QVERIFY(ended.wait(15000));
        QCOMPARE(captions.takeLast().at(0).toString(), caption);
        double last = 0; // the percentages rise
        for (const QList<QVariant> &shown : captions) {
            QVERIFY(shown.at(0).toString().remove("% Loaded").toDouble() > last);
            last = shown.at(0).toString().remove("% Loaded").toDouble();
        }
        QCOMPARE(last == 100.0, message.isEmpty());
        QCOMPARE(rig.takeMessage(), message);
        // Every byte value crossed the line as sent, 0xFF markers included, and the poll left
        // them to the transfer; a live frame in the last block stays behind the image.
        QVERIFY(rig.memory.image()->bytes().startsWith(bytes.left(message.isEmpty() ? -1 : 43)));
        QCOMPARE(rig.panel.isMemoryPanelVisible() ? rig.height() : 0,
                 bytes[9] == 1 ? 0 : mainwindow::twipsToPixels(6585, rig.panel.logicalDpiY()));
        QTest::mouseClick(rig.panel.findChild<QPushButton *>("BtnMemoryClose"), Qt::LeftButton);
        QTRY_COMPARE(rig.height(), before);
        rig.meter.setSilent(false);
        QVERIFY(rig.runUntilDecoded(rig.decoded.count() + 1)); // the poll goes on
    }

    // dewscope-cli download against the simulated meter: the image file, then its sets.
    void downloadCommand()
    {
        test::MeterRig meter;
        QVERIFY(meter.start(20.0, 40.0, 500) && (meter.link.close(), true));
        meter.meter.sendDownload(image(2, 3));
        QTemporaryDir dir;
        test::CommandRun run(
            { "download", "--port", meter.meter.path(), "--out", dir.filePath("m") });
        QFile file(dir.filePath("m"));
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().startsWith(image(2, 3)));
        QCOMPARE(run.out() + run.err().section('\n', -2), "10:30:00\t10:35:00\t2\n100.0% Loaded\n");
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
