#include "cli/Command.h"
#include "graphs/RecordTablePrintJob.h"
#include "graphs/RecordTablePrinter.h"
#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "meter/PortMap.h"
#include "meter/SharedState.h"
#include "tables/FileList.h"
#include "tables/RecordTableModel.h"

#include <QPaintEngine>
#include <QPrinter>
#include <QtPrintSupport/qprintengine.h>
#include <QtTest>
#include <QtWidgets>

using namespace dewscope;

namespace {

// A printer at 1440 dots per inch, so device units are twips, that notes every text drawn as
// "page x y text", y being the top of the text.
class RecordingEngine : public QPaintEngine, public QPrintEngine
{
public:
    RecordingEngine()
        : QPaintEngine(AllFeatures)
    {
    }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override { }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override { }
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        const QPointF at = state->transform().map(p);
        texts << QStringLiteral("%1 %2 %3 %4")
                     .arg(page)
                     .arg(qRound(at.x()))
                     .arg(qRound(at.y() - item.ascent()))
                     .arg(item.text());
    }
    Type type() const override { return User; }
    void setProperty(PrintEnginePropertyKey, const QVariant &) override { }
    QVariant property(PrintEnginePropertyKey key) const override
    {
        return key == PPK_QPageLayout ? QVariant::fromValue(layout) : QVariant();
    }
    bool newPage() override { return ++page <= pageLimit; }
    bool abort() override { return true; }
    int metric(QPaintDevice::PaintDeviceMetric m) const override
    {
        const QRect area = layout.paintRectPixels(1440);
        switch (m) {
        case QPaintDevice::PdmWidth:
            return area.width();
        case QPaintDevice::PdmHeight:
            return area.height();
        case QPaintDevice::PdmDepth:
            return 32;
        case QPaintDevice::PdmDevicePixelRatio:
            return 1;
        case QPaintDevice::PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return 1440;
        }
    }
    QPrinter::PrinterState printerState() const override { return QPrinter::Active; }

    QPageLayout layout { QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                         QPageLayout::Millimeter };
    QStringList texts;
    int page = 1;
    int pageLimit = 1000;
};

class RecordingPrinter : public QPrinter
{
public:
    RecordingPrinter() { setEngines(&engine, &engine); }
    RecordingEngine engine;
};

void fill(RecordTableModel *model, int from, int count)
{
    for (int r = from; r < from + count; ++r)
        model->addItem(QStringLiteral("%1\t10:00:%1\t2\t3\t4\t5\t6\t7\t8").arg(r));
}

} // namespace

class TestPrint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout_data();
    void layout();
    void printKey_data();
    void printKey();
    void command_data();
    void command();
};

void TestPrint::layout_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("appended"); // by the recorder after the first record is printed
    QTest::addColumn<int>("pages");
    QTest::newRow("empty table") << 0 << 0 << 1;
    QTest::newRow("45 records, one page") << 45 << 0 << 1;
    QTest::newRow("46 records, two pages") << 46 << 0 << 2;
    QTest::newRow("records appended while printing") << 44 << 3 << 2;
}

void TestPrint::layout()
{
    QFETCH(int, records);
    QFETCH(int, appended);
    QFETCH(int, pages);
    RecordTableModel model;
    fill(&model, 1, records);
    RecordingPrinter device;
    RecordTablePrinter printer(&model, &device);
    printer.setSliceLimits(1, 1000);
    QStringList captions;
    connect(&printer, &RecordTablePrinter::captionChanged, [&](const QString &caption) {
        if (captions.isEmpty())
            fill(&model, records + 1, appended);
        captions << caption;
    });
    QSignalSpy finished(&printer, &RecordTablePrinter::finished);
    QVERIFY(printer.start());
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.first().first().toBool(), true);

    // What the page should carry, from the printed table's measures in twips.
    const int total = records + appended;
    const int pageNumberX
        = qRound((device.pageLayout().paintRect(QPageLayout::Inch).width() * 1440 - 600) / 2);
    const QStringList headers
        = { "No.s", "Time", "Cel", "DewC", "WetC", "%RH", "Fah", "DewF", "WetF" };
    QStringList expected, expectedCaptions;
    const auto line = [&](int page, int y, const QStringList &cells) {
        for (int c = 0; c < cells.size(); ++c)
            expected << QStringLiteral("%1 %2 %3 %4")
                            .arg(page)
                            .arg(c == 0 ? 600 : 1700 + 1200 * (c - 1))
                            .arg(y)
                            .arg(cells[c]);
    };
    for (int r = 0; r <= total; ++r) {
        const int page = qMax(0, r - 1) / 45 + 1;
        if (r == 0 || (r > 45 && (r - 1) % 45 == 0)) {
            expected << QStringLiteral("%1 %2 14900 P-%1").arg(page).arg(pageNumberX);
            line(page, 800, headers);
            line(page, 1100, { QString(127, '-') });
        }
        if (r > 0) {
            line(page, 1400 + 300 * ((r - 1) % 45), model.rowCells(r));
            expectedCaptions << QStringLiteral("%1 record(s) completed").arg(r);
        }
    }
    QCOMPARE(device.engine.texts, expected);
    QCOMPARE(device.engine.page, pages);
    QCOMPARE(captions, expectedCaptions);
}

void TestPrint::printKey_data()
{
    QTest::addColumn<QString>("file"); // empty: the dialog is cancelled
    QTest::addColumn<QStringList>("captions"); // with the poll's state at each
    QTest::newRow("cancelled") << QString() << QStringList();
    QTest::newRow("printed") << "table.pdf"
                             << QStringList { "3 record(s) completed, off", "File List, off" };
    QTest::newRow("printer fails") << "no/such/folder/table.pdf" << QStringList();
}

void TestPrint::printKey()
{
    QFETCH(QString, file);
    QFETCH(QStringList, captions);
    PortMap ports;
    MeterLink link(&ports);
    SharedState state;
    Poll poll(&link, &state);
    poll.setEnabled(true);
    FileList window;
    window.setWindowTitle("File List");
    fill(window.model(), 1, 3);
    QWidget mainWindow;
    RecordTablePrintJob job(&window, &poll, &mainWindow);
    QTemporaryDir dir;
    job.printer()->setOutputFileName(dir.filePath(file));
    QStringList seen;
    connect(&window, &QWidget::windowTitleChanged, [&](const QString &caption) {
        seen << caption + (poll.isEnabled() ? ", on" : ", off");
    });
    QSignalSpy finished(&job, &RecordTablePrintJob::finished);
    job.start();
    QVERIFY(job.printDialog()->isVisible());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QVERIFY(!poll.isEnabled());
    if (file.isEmpty())
        job.printDialog()->reject();
    else // as the dialog's OK does, without its check of the folder
        job.printDialog()->done(QDialog::Accepted);
    QVERIFY(finished.count() || finished.wait(5000));
    QCOMPARE(finished.first().first().toBool(), file == "table.pdf");
    QCOMPARE(seen, captions);
    QCOMPARE(window.windowTitle(), QString("File List"));
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(poll.isEnabled());
    QCOMPARE(QFileInfo(dir.filePath("table.pdf")).size() > 0, file == "table.pdf");
    QCOMPARE(window.findChild<QMessageBox *>("PrintFailedMessage") != nullptr,
             file.startsWith("no/"));
}

void TestPrint::command_data()
{
    QTest::addColumn<QString>("arguments"); // %1 a data file of 46 records, %2 the PDF
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("pageBox");
    QTest::addColumn<QString>("said");
    QTest::newRow("A4") << "%1 --pdf %2" << 0 << "[0 0 595"
                        << "46 records on 2 pages";
    QTest::newRow("letter") << "%1 --pdf %2 --page letter" << 0 << "[0 0 612"
                            << "on 2 pages";
    QTest::newRow("unreadable") << "/no/file --pdf %2" << 1 << ""
                                << "does not exist";
}

void TestPrint::command()
{
    QFETCH(QString, arguments);
    QFETCH(int, status);
    QFETCH(QString, pageBox);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QFile data(dir.filePath("t.txt"));
    QVERIFY(data.open(QIODevice::WriteOnly));
    for (int r = 1; r <= 46; ++r)
        data.write(QByteArray::number(r) + "\t10:00:00\t1\t2\t3\t4\t5\t6\t7\t\r\n");
    data.close();
    QString text;
    QTextStream stream(&text);
    cli::Io io { stream, stream };
    const QString pdf = dir.filePath("t.pdf");
    QCOMPARE(cli::runCommandLine(("print " + arguments.arg(data.fileName(), pdf)).split(' '), io),
             status);
    stream.flush();
    QVERIFY2(text.contains(said), qPrintable(text));
    QFile out(pdf);
    out.open(QIODevice::ReadOnly);
    const QByteArray bytes = out.readAll();
    QCOMPARE(bytes.count("/Type /Page\n"), status == 0 ? 2 : 0);
    QVERIFY(bytes.contains(pageBox.toLatin1()));
}

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
