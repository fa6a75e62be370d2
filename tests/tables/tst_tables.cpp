#include "tables/FileLoader.h"
#include "tables/GridSaver.h"
#include "tables/RecordTableModel.h"
#include "tests/common/TestData.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <utility>

using namespace dewscope;
using test::readBytes;
using test::writeBytes;

namespace {

// The data rows of a grid, each as its cells joined by TAB without the empty ones at the end.
QStringList dataRows(const RecordTableModel &model)
{
    QStringList rows;
    for (int r = 1; r < model.rows(); ++r)
        rows << model.savedCells(r).join('\t').remove(QRegularExpression(QStringLiteral("\t+$")));
    return rows;
}

struct Outcome
{
    bool started = false;
    bool ok = false;
    QString error;
    QStringList captions;
};

// Runs a saver or loader to its end: whether it started, how it finished, every caption shown.
template<typename Job> Outcome runToEnd(Job &job)
{
    Outcome outcome;
    QObject::connect(&job, &Job::captionChanged,
                     [&outcome](const QString &caption) { outcome.captions.append(caption); });
    QSignalSpy finished(&job, &Job::finished);
    outcome.started = job.start();
    if (outcome.started && finished.isEmpty())
        finished.wait(20000);
    if (!finished.isEmpty()) {
        outcome.ok = finished.first().at(0).toBool();
        outcome.error = finished.first().at(1).toString();
    }
    return outcome;
}

} // namespace

class TestTables : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addItemSplitsAtTabs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("cells");
        // A grid-saved line's trailing TAB is such a tenth field.
        // clang-format off
        QTest::newRow("extra fields dropped") << "a\tb\tc\td\te\tf\tg\th\ti\tj\tk" << QStringList { "a", "b", "c", "d", "e", "f", "g", "h", "i" };
        QTest::newRow("missing fields empty") << "7\t08:00:00" << QStringList { "7", "08:00:00", "", "", "", "", "", "", "" };
        // clang-format on
    }
    void addItemSplitsAtTabs()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, cells);
        RecordTableModel model;
        QVERIFY(model.addItem(QStringLiteral("first")));
        QVERIFY(model.addItem(text));
        QCOMPARE(model.rows(), 3);
        QCOMPARE(model.rowCells(2), cells);
        // As a Qt model the header row is not a row: grid row 2 is model row 1, and the header
        // texts are the view's column headers.
        QStringList modelCells, headers;
        for (int c = 0; c < 9; ++c) {
            modelCells << model.data(model.index(1, c)).toString();
            headers << model.headerData(c, Qt::Horizontal).toString();
        }
        QCOMPARE(modelCells, cells);
        QCOMPARE(headers, RecordTableModel::headerTexts());
        // Clearing to one row keeps the header row and tells the view.
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        model.setRows(1);
        QVERIFY(model.rowCount() == 0 && reset.count() == 1);
        QCOMPARE(model.rowCells(0),
                 QStringList(
                     { "No.s", "   Time", " Cel", "DewC", "WetC", "RH%", "Fah", "DewF", "WetF" }));
    }

    void saveLinesAndCaptions_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QStringList>("captions");
        // clang-format off
        QTest::newRow("header only: empty file") << QStringList() << QByteArray() << QStringList { "Real Time List" };
        // clang-format on
        // Every column is written, each line ends in TAB CR LF.
        QTest::newRow("two rows, one short")
            << QStringList { "1\t12:00:01\tOL\t-OL\t16.5\t49.0\t74.1\t53.8\t61.7", "5\t01:02:03" }
            << QByteArray("1\t12:00:01\tOL\t-OL\t16.5\t49.0\t74.1\t53.8\t61.7\t\r\n"
                          "5\t01:02:03\t\t\t\t\t\t\t\t\r\n")
            << QStringList { "1Records Completed", "2Records Completed", "Real Time List" };
        // A row's date is saved as a tenth cell (a row without one leaves it empty) and shown
        // in a tenth column once loaded.
        QTest::newRow("dated")
            << QStringList { "1\t12:00:01\t25.0\t\t\t\t\t\t\t2026-12-07T12:00:01+01:00",
                             "2\t12:00:02" }
            << QByteArray("1\t12:00:01\t25.0\t\t\t\t\t\t\t2026-12-07T12:00:01+01:00\t\r\n"
                          "2\t12:00:02\t\t\t\t\t\t\t\t\t\r\n")
            << QStringList { "1Records Completed", "2Records Completed", "Real Time List" };
    }
    // One row a slice, so a caption for each row. A row arrives with every caption: rows
    // appended while saving are not written, the count is taken at the start.
    void saveLinesAndCaptions()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, captions);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("saved.txt"));
        QVERIFY(writeBytes(path, "old contents that must go\r\n"));
        RecordTableModel model;
        for (const QString &row : rows)
            model.addItem(row);
        GridSaver saver(&model, path, QStringLiteral("Real Time List"));
        saver.setSliceLimits(1, 1000);
        QObject::connect(&saver, &GridSaver::captionChanged,
                         [&model] { model.addItem(QStringLiteral("late")); });
        const Outcome outcome = runToEnd(saver);
        QVERIFY(outcome.ok);
        QCOMPARE(outcome.captions, captions);
        QTEST(readBytes(path), "expected");
        // The saved lines load back as the rows they came from.
        RecordTableModel loaded;
        FileLoader loader(&loaded, path);
        QVERIFY(runToEnd(loader).ok);
        QCOMPARE(dataRows(loaded), rows);
        QCOMPARE(loaded.columnCount(), QTest::currentDataTag() == QLatin1String("dated") ? 10 : 9);
    }

    void failures_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("path"); // "@" stands for the test's folder
        QTest::addColumn<bool>("starts");
        QTest::addColumn<QString>("lastCaption");
        // A save that cannot create its file never changes the caption.
        // clang-format off
        QTest::newRow("save: folder missing") << true << "@/missing/x.txt" << false << "";
        QTest::newRow("load: no such file") << false << "@/none.txt" << false << "none.txt";
        // A device never ends: it is refused before it is opened.
        QTest::newRow("load: a device") << false << "/dev/zero" << false << "zero";
        // clang-format on
    }
    // Each failure is reported with a reason, leaves the caption on the window's title and the
    // grid as it was.
    void failures()
    {
        QFETCH(bool, save);
        QFETCH(QString, path);
        QTemporaryDir dir;
        path.replace(QLatin1Char('@'), dir.path());
        RecordTableModel model;
        model.addItem(QStringLiteral("1"));
        GridSaver saver(&model, path, QStringLiteral("Data List"));
        FileLoader loader(&model, path);
        const Outcome outcome = save ? runToEnd(saver) : runToEnd(loader);
        QTEST(outcome.started, "starts");
        QVERIFY(!outcome.ok && !outcome.error.isEmpty());
        QTEST(outcome.captions.value(outcome.captions.size() - 1), "lastCaption");
        QCOMPARE(dataRows(model), QStringList { "1" });
    }

    // The window closes while a save or load runs: the job stops after the slice it was in.
    void saveAndLoadStopWhenTableGoes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.txt"));
        QVERIFY(writeBytes(path, QByteArray("1\r\n").repeated(100)));
        auto *saved = new RecordTableModel;
        auto *loaded = new RecordTableModel;
        for (int i = 0; i < 10; ++i)
            saved->addItem(QString::number(i));
        GridSaver saver(saved, dir.filePath(QStringLiteral("s.txt")), QStringLiteral("List"));
        FileLoader loader(loaded, path);
        saver.setSliceLimits(2, 1000);
        loader.setSliceLimits(10, 1000);
        QObject::connect(&saver, &GridSaver::captionChanged,
                         [&saved] { delete std::exchange(saved, nullptr); });
        QObject::connect(&loader, &FileLoader::captionChanged,
                         [&loaded] { delete std::exchange(loaded, nullptr); });
        QVERIFY(!runToEnd(saver).ok);
        QCOMPARE(saver.rowsWritten(), 2);
        QVERIFY(!runToEnd(loader).ok);
        QCOMPARE(loader.rowsLoaded(), 10);
    }

    // A file beyond the grid's limits loads what fits, within bounded rows and cells, and
    // counts what it left out and what it cut, for the notice after the load. Line forms of
    // other programs: LF alone, leading blanks (the captions while loading: tst_recording_gui).
    void loadBeyondLimitsCountsWhatIsCut()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.txt"));
        // Two long cells, the rows up to the limit, two rows more and a long stretch with no
        // line end at all (a row left out, its cell not counted as cut).
        QVERIFY(writeBytes(path,
                           "   4\t10:00:06\tOL\t-OL\n" + QByteArray(300, 'x') + "\t\t"
                               + QByteArray(257, 'y') + "\r\n"
                               + QByteArray("1\n").repeated(RecordTableModel::MaxRows)
                               + QByteArray(300 * 1024, 'z')));
        RecordTableModel model;
        FileLoader loader(&model, path);
        const Outcome outcome = runToEnd(loader);
        QVERIFY(outcome.ok);
        QCOMPARE(outcome.captions.value(outcome.captions.size() - 1), QStringLiteral("big.txt"));
        QCOMPARE(model.rows(), RecordTableModel::MaxRows + 1);
        QCOMPARE(dataRows(model).first(), QStringLiteral("4\t10:00:06\tOL\t-OL"));
        QCOMPARE(model.cellText(2, 0).size(), RecordTableModel::MaxCellLength);
        QCOMPARE(loader.rowsLeftOut(), qint64(3));
        QCOMPARE(loader.cellsCut(), qint64(2));
        QVERIFY(loader.cutNotice().contains(QStringLiteral("the last 3 rows")));
    }
};

QTEST_GUILESS_MAIN(TestTables)
#include "tst_tables.moc"
