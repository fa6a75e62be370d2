#include "../common/CommandRun.h"
#include "../common/MeterRig.h"
#include "app/MemoryCommands.h"
#include "app/Panel.h"
#include "app/PanelText.h"
#include "meter/MeterLink.h"
#include "meter/PortMap.h"
#include "meter/SharedState.h"
#include "meter/SimulatedMeter.h"
#include "tables/DataList.h"
#include "tables/RecordTableModel.h"
#include "tables/RecordWindows.h"

#include <QtTest>
#include <QtWidgets>

using namespace dewscope;

namespace {
// A main window with its record windows and memory, no meter behind it.
struct MemoryRig
{
    SharedState state;
    PortMap ports;
    MeterLink link { &ports };
    Panel panel { &state, &link, nullptr, nullptr };
    RecordWindows windows { nullptr, &panel };
    MemoryCommands memory { &panel, &windows };

    // The message box of that name the last action opened: its text, then closed.
    QString takeMessage(const char *name)
    {
        auto *box = panel.findChild<QMessageBox *>(QLatin1String(name));
        if (!box)
            return QString();
        const QString text
            = box->text() + (box->icon() == QMessageBox::Critical ? " [critical]" : "");
        box->done(0);
        delete box;
        return text;
    }
};
} // namespace

class TestMemoryGui : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void transfer_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("slotCount"); // in the header, when not that of the sets sent
        QTest::addColumn<bool>("panelShown");
        QTest::addColumn<QString>("message");
        const QByteArray image = SimulatedMeter::makeMemoryImage(2, 3, QTime(10, 30), 60);
        QTest::newRow("3 slots") << SimulatedMeter::makeMemoryImage(1, 2, QTime(9, 5), 1) << -1
                                 << true << "";
        QTest::newRow("1000 slots")
            << SimulatedMeter::makeMemoryImage(8, 124, QTime(9, 5), 1) << -1 << true << "";
        QTest::newRow("no set") << image << 1 << false << "";
        QTest::newRow("stall") << image << 12 << true
                               << "The memory download is incomplete: 43 of 59 bytes (72.9%)";
    }
    // The simulated meter's download over a pseudo-terminal: the caption rises to 100.0% Loaded
    // (or stops where the meter fell silent), then comes back; the panel shows the sets.
    void transfer()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, slotCount);
        QFETCH(bool, panelShown);
        QFETCH(QString, message);
        if (slotCount >= 0)
            bytes.replace(8, 2, QByteArray(1, char(slotCount >> 8)) + char(slotCount & 0xFF));
        test::MeterRig meter;
        QVERIFY(meter.start(20.0, 40.0, 500)); // the meter's own pace: a tick waits for each frame
        Panel panel(&meter.state, &meter.link, &meter.poll, nullptr);
        RecordWindows windows(nullptr, &panel);
        MemoryCommands memory(&panel, &windows);
        memory.transfer()->setStallLimit(1000);
        panel.show();
        const QString caption = panel.windowTitle();
        QSignalSpy captions(&panel, &QWidget::windowTitleChanged);
        QSignalSpy ended(&memory, &MemoryCommands::downloadEnded);
        QVERIFY(meter.runUntilDecoded(1));
        meter.meter.setSilent(!message.isEmpty()); // no live frames after the image
        meter.meter.sendDownload(bytes);
        QVERIFY(ended.wait(15000));
        QCOMPARE(ended.at(0).at(0).toBool(), message.isEmpty());
        QCOMPARE(captions.takeLast().at(0).toString(), caption);
        double last = 0;
        for (const QList<QVariant> &shown : captions) {
            const QString text = shown.at(0).toString();
            QVERIFY2(text.endsWith("% Loaded") && text.section('%', 0, 0).toDouble() > last,
                     qPrintable(text));
            last = text.section('%', 0, 0).toDouble();
        }
        QCOMPARE(last == 100.0, message.isEmpty());
        QCOMPARE(panel.isMemoryPanelVisible(), panelShown);
        // A live frame in the last block stays behind the image.
        QVERIFY(memory.image()->bytes().startsWith(message.isEmpty() ? bytes : bytes.left(43)));
        auto *box = panel.findChild<QMessageBox *>("DownloadIncompleteMessage");
        QCOMPARE(box ? box->text().left(message.size()) : QString(), message);
        meter.meter.setSilent(false);
        QVERIFY(meter.runUntilDecoded(meter.decoded.count() + 1)); // the poll goes on
    }

    // The panel opens at 6585 twips with the image's times and set count, and closing it gives
    // back the height it had before.
    void downloadCommand_data()
    {
        QTest::addColumn<int>("slotCount"); // -1: the image as sent; 0: no download
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // its last line
        QTest::newRow("complete") << -1 << 0 << "10:30:00\t10:35:00\t2\n"
                                  << "100.0% Loaded";
        QTest::newRow("stall") << 12 << 1 << ""
                               << "dewscope-cli download: The memory download is incomplete: 43 "
                                  "of 59 bytes (72.9%) arrived before the meter stopped sending. "
                                  "They are in IMAGE.";
        QTest::newRow("no announcement") << 0 << 1 << ""
                                         << "dewscope-cli download: no download was announced on "
                                            "PORT";
    }
    // dewscope-cli download against the simulated meter: the image file, then the sets.
    void downloadCommand()
    {
        QFETCH(int, slotCount);
        QFETCH(QString, err);
        QFETCH(int, code);
        QFETCH(QString, out);
        QByteArray bytes = SimulatedMeter::makeMemoryImage(2, 3, QTime(10, 30), 60);
        if (slotCount > 0)
            bytes[9] = char(slotCount);
        test::MeterRig meter;
        QVERIFY(meter.start(20.0, 40.0, 500));
        meter.link.close();
        meter.meter.setSilent(slotCount > 0);
        if (slotCount != 0)
            meter.meter.sendDownload(bytes);
        QTemporaryDir dir;
        const QString image = dir.filePath("image.bin");
        test::CommandRun run(
            { "download", "--port", meter.meter.path(), "--out", image, "--timeout", "2" });
        QCOMPARE(run.code, code);
        QCOMPARE(run.out(), out);
        err.replace("IMAGE", image).replace("PORT", meter.meter.path());
        QCOMPARE(run.err().trimmed().section('\n', -1), err);
        QFile file(image);
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll().left(43) : QByteArray(),
                 slotCount == 0 ? QByteArray() : bytes.left(43));
    }

    void panelHeightRoundTrip()
    {
        MemoryRig rig;
        rig.panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.panel));
        rig.panel.sspMemoryShow(false); // as the window's load does
        const int before = rig.panel.frameGeometry().height();
        rig.memory.image()->setBytes(SimulatedMeter::makeMemoryImage(4, 3, QTime(10, 30), 60));
        rig.panel.sspMemoryShow(true);
        QCOMPARE(rig.panel.frameGeometry().height(),
                 panel::twipsToPixels(panel::HeightWithMemoryTwips, rig.panel.logicalDpiY()));
        QCOMPARE(rig.panel.lblStart()->text() + ' ' + rig.panel.txtSet()->text(),
                 QStringLiteral("10:30:00 4"));
        QTest::mouseClick(rig.panel.findChild<QPushButton *>("BtnMemoryClose"), Qt::LeftButton);
        QTRY_COMPARE(rig.panel.frameGeometry().height(), before);
    }

    void loadSet_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("message");
        const QByteArray image = SimulatedMeter::makeMemoryImage(2, 3, QTime(10, 30), 60);
        QTest::newRow("set 2") << image << "2" << 3 << "";
        QTest::newRow("set 0") << image << "0" << -1 << "Invalid, try again!";
        QTest::newRow("above the count") << image << "3" << -1 << "Invalid, try again!";
        QTest::newRow("cut short") << image.left(38) << "2" << 2 << "Set 2 is cut short";
    }
    // Enter in the set box: rows numbered from 1 in a fresh Data List, its caption back at the
    // end, the live texts those of the last record; refusals empty the box.
    void loadSet()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, typed);
        QFETCH(int, rows);
        QFETCH(QString, message);
        MemoryRig rig;
        rig.memory.image()->setBytes(bytes);
        rig.panel.show();
        rig.panel.sspMemoryShow(true);
        rig.windows.openDataList()->model()->addItem("stale row");
        QSignalSpy loaded(&rig.memory, &MemoryCommands::setLoaded);
        rig.panel.txtSet()->setText(typed);
        QTest::keyClick(rig.panel.txtSet(), Qt::Key_Return);
        if (rows < 0) {
            QVERIFY(rig.panel.txtSet()->text().isEmpty());
            QTRY_VERIFY(!rig.windows.currentDataList());
            QCOMPARE(rig.takeMessage("InvalidSetMessage"), message);
            return;
        }
        QVERIFY(loaded.wait(2000));
        DataList *list = rig.windows.currentDataList();
        QCOMPARE(list->windowTitle(), QStringLiteral("Data List"));
        QCOMPARE(list->model()->rows(), rows + 1);
        QCOMPARE(list->model()->cellText(rows, 0), QString::number(rows));
        QCOMPARE(list->model()->rowCells(rows).mid(2), rig.state.texts.recordFields());
        QCOMPARE(rig.takeMessage("SetCutShortMessage").left(message.size()), message);
    }

    // A malformed image: the critical message, and the panel keeps the values it showed.
    void malformedImage()
    {
        MemoryRig rig;
        rig.panel.show();
        rig.memory.image()->setBytes(SimulatedMeter::makeMemoryImage(2, 3, QTime(10, 30), 60));
        rig.panel.sspMemoryShow(true);
        rig.memory.image()->setBytes(SimulatedMeter::makeMemoryImage(2, 0, QTime(11, 0), 60));
        rig.panel.sspMemoryShow(true);
        QCOMPARE(
            rig.takeMessage("MemoryFaultMessage"),
            QStringLiteral("Warning! Operation error!\nPlease download try again! [critical]"));
        QVERIFY(rig.panel.isMemoryPanelVisible());
        QCOMPARE(rig.panel.lblStart()->text() + ' ' + rig.panel.txtSet()->text(),
                 QStringLiteral("10:30:00 2"));
    }
};

QTEST_MAIN(TestMemoryGui)
#include "tst_memory_gui.moc"
