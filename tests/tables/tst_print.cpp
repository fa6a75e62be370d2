#include "desktop/ProgramSettings.h"
#include "desktop/RememberedFolders.h"
#include "graphs/RecordTablePrintJob.h"
#include "graphs/RecordTablePrinter.h"
#include "tables/FileListWindow.h"
#include "tables/RecordTableModel.h"
#include "tests/common/FileSizeLimit.h"
#include "tests/common/MeterRig.h"
#include "tests/common/TestData.h"

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

using namespace dewscope;

// An A4 printer in twips (5 mm margins) whose pages note every text drawn as "page x y text",
// y being the top of the text.
class RecordingPrinter : public QPrinter, QPaintEngine
{
public:
    RecordingPrinter()
        : QPaintEngine(AllFeatures)
    {
        setResolution(1440);
        setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter));
    }
    QPaintEngine *paintEngine() const override { return const_cast<RecordingPrinter *>(this); }
    bool newPage() override { return ++page; }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override { }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override { }
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        texts << QString::asprintf("%d %d %d ", page, qRound(p.x()), qRound(p.y() - item.ascent()))
                + item.text();
    }
    Type type() const override { return User; }
    QStringList texts;
    int page = 1;
};

static void fill(RecordTableModel *model, int from, int count)
{
    for (int r = from; r < from + count; ++r)
        model->addItem(QStringLiteral("%1\t10:00:%1\t2\t3\t4\t5\t6\t7\t8").arg(r));
}

class TestPrint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("appended"); // by the recorder after the first record is printed
        QTest::addColumn<int>("pages");
        QTest::newRow("empty table") << 0 << 0 << 1;
        QTest::newRow("45 records, one page") << 45 << 0 << 1;
        QTest::newRow("46 records, two pages") << 46 << 0 << 2;
        QTest::newRow("records appended while printing") << 44 << 3 << 2;
    }

    void layout()
    {
        QFETCH(int, records);
        QFETCH(int, appended);
        RecordTableModel model;
        fill(&model, 1, records);
        RecordingPrinter device;
        RecordTablePrinter printer(&model, &device);
        printer.setSliceLimits(1, 1000);
        QStringList expected;
        connect(&printer, &RecordTablePrinter::captionChanged, [&](const QString &caption) {
            fill(&model, model.rows(), device.texts.filter("completed").isEmpty() ? appended : 0);
            device.texts << caption;
        });
        QSignalSpy finished(&printer, &RecordTablePrinter::finished);
        QVERIFY(printer.start());
        QVERIFY(finished.wait(5000));

        // The page number at (7.87 in x 1440 - 600) / 2 twips, the headers and the rule, then 45
        // records a page.
        const auto line = [&](int page, int y, const QStringList &cells, int x0 = 600) {
            for (int c = 0; c < cells.size(); ++c)
                expected << QString::asprintf("%d %d %d ", page, c ? 500 + 1200 * c : x0, y)
                        + cells[c];
        };
        for (int r = 0; r <= records + appended; ++r) {
            const int page = qMax(0, r - 1) / 45 + 1;
            if (r == 0 || (r > 45 && (r - 1) % 45 == 0)) {
                line(page, 14900, { QStringLiteral("P-%1").arg(page) }, 5366);
                line(page, 800,
                     { "No.s", "Time", "Cel", "DewC", "WetC", "%RH", "Fah", "DewF", "WetF" });
                line(page, 1100, { QString(127, '-') });
            }
            if (r > 0) {
                line(page, 1400 + 300 * ((r - 1) % 45), model.rowCells(r));
                expected << QStringLiteral("%1 record(s) completed").arg(r);
            }
        }
        QCOMPARE(device.texts, expected);
        QTEST(device.page, "pages");
        QVERIFY(finished.first().first().toBool());
    }

    void printKey_data()
    {
        QTest::addColumn<QString>("file"); // empty: the dialog is cancelled
        QTest::addColumn<int>("limit"); // the bytes a file may take (a full disk); 0: any
        QTest::addColumn<QStringList>("captions"); // with the poll's state at each
        QTest::addColumn<QString>("failure"); // the reason the message gives
        const QStringList printed { "3 record(s) completed, off", "List, off" };
        // clang-format off
        QTest::newRow("cancelled") << QString() << 0 << QStringList() << QString();
        QTest::newRow("printed") << "t.pdf" << 0 << printed << QString();
        QTest::newRow("printer fails") << "no/such/folder/t.pdf" << 0 << QStringList() << QString(strerror(ENOENT)) + '.';
        QTest::newRow("disk full") << "t.pdf" << 1000 << printed << QString(strerror(EFBIG)) + '.';
        // clang-format on
    }

    // Printed to a file, an earlier file is replaced only by a complete printout.
    void printKey()
    {
        QFETCH(QString, file);
        QFETCH(QString, failure);
        test::MeterRig rig; // a poll with no meter behind it
        Poll &poll = rig.poll;
        poll.setEnabled(true);
        FileListWindow window;
        window.setWindowTitle("List");
        fill(window.model(), 1, 3);
        QWidget mainWindow;
        RecordTablePrintJob job(&window, &poll, &mainWindow);
        QTemporaryDir dir;
        QVERIFY(test::writeBytes(dir.filePath("t.pdf"), "old"));
        job.printer()->setOutputFileName(dir.filePath(file));
        QStringList seen;
        connect(&window, &QWidget::windowTitleChanged, [&](const QString &caption) {
            seen << caption + (poll.isEnabled() ? ", on" : ", off");
        });
        QSignalSpy finished(&job, &RecordTablePrintJob::finished);
        job.start();
        QVERIFY(job.printDialog()->isVisible() && !poll.isEnabled());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        auto limit = std::make_optional<test::FileSizeLimit>(FETCHED(int, limit));
        // As the dialog's OK does, without its check of the folder.
        job.printDialog()->done(file.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
        QVERIFY(finished.count() || finished.wait(5000));
        limit.reset();
        const bool printed = !file.isEmpty() && failure.isEmpty();
        QCOMPARE(finished.first().first().toBool(), printed);
        QTEST(seen, "captions");
        QVERIFY(window.windowTitle() == "List" && !QApplication::overrideCursor()
                && poll.isEnabled());
        QCOMPARE(test::readBytes(dir.filePath("t.pdf")).left(4), printed ? "%PDF" : "old");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "t.pdf" });
        auto *box = window.findChild<QMessageBox *>("PrintFailedMessage");
        QCOMPARE(box ? box->text().section('\n', 0, 0).section(": ", -1) : QString(), failure);
    }

    // "Print to File" offers the table's name as a PDF in the folder last printed to, kept in
    // settings (this test's own): first in the dialog's own folder, then in the one printed to.
    void printFileFolder()
    {
        QTemporaryDir settings, dir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        ProgramSettings::name("Dewscope", "dewscope");
        FileListWindow window;
        window.setWindowTitle("morning.txt");
        QStringList offered;
        for (const QString &typed : { dir.filePath("other.pdf"), QString() }) {
            RecordTablePrintJob job(&window, nullptr, nullptr);
            QSignalSpy finished(&job, &RecordTablePrintJob::finished);
            job.start();
            auto *name = job.printDialog()->findChild<QLineEdit *>("filename");
            offered << name->text();
            name->setText(typed);
            typed.isEmpty() ? job.printDialog()->reject() : job.printDialog()->accept();
            QVERIFY(finished.count() || finished.wait(5000));
        }
        ProgramSettings::name(QString(), QString());
        QCOMPARE(QFileInfo(offered[0]).fileName() + ' ' + offered[1],
                 "morning.pdf " + dir.filePath("morning.pdf"));
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
