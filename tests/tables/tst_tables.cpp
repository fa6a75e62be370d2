#include "recording/FileLoader.h"
#include "tables/GridSaver.h"
#include "tables/RecordTableModel.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <utility>

using namespace hygrolog;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot open>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The given cells, filled up with empty ones to the nine columns.
QStringList nine(QStringList cells)
{
    while (cells.size() < 9)
        cells.append(QString());
    return cells;
}

// The data rows of a grid, each as its cells joined by TAB without the empty ones at the end.
QStringList dataRows(const RecordTableModel &model)
{
    QStringList rows;
    for (int r = 1; r < model.rows(); ++r) {
        QString row = model.rowCells(r).join(QLatin1Char('\t'));
        while (row.endsWith(QLatin1Char('\t')))
            row.chop(1);
        rows.append(row);
    }
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
    void headerRowAndColumnWidths();
    void addItemSplitsAtTabs_data();
    void addItemSplitsAtTabs();
    void setRowsClearsAndGrows();
    void currentCellText();
    void saveLinesAndCaptions_data();
    void saveLinesAndCaptions();
    void loadCaptionsAndRows_data();
    void loadCaptionsAndRows();
    void failures_data();
    void failures();
    void saveAndLoadStopWhenTableGoes();
    void loadBinaryFileInBoundedRows();
};

void TestTables::headerRowAndColumnWidths()
{
    RecordTableModel model;
    QCOMPARE(model.columnCount(), 9);
    QCOMPARE(model.rows(), 1);
    const QStringList headers
        = { "No.s", "   Time", " Cel", "DewC", "WetC", "RH%", "Fah", "DewF", "WetF" };
    QStringList shown;
    QStringList widthSamples;
    for (int c = 0; c < 9; ++c) {
        shown << model.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(model.cellText(0, c), headers.at(c)); // grid row 0 is the header row
        widthSamples << RecordTableModel::widthSample(c);
        QCOMPARE(model.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignCenter));
    }
    QCOMPARE(shown, headers);
    QCOMPARE(model.rowCells(0), headers);
    QCOMPARE(widthSamples, QStringList({ " 000000 ", " 000:00:00 " }) + QStringList(7, "AAAAA"));
}

void TestTables::addItemSplitsAtTabs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("recorder line")
        << "1\t12:00:01\t23.4\t12.1\t16.5\t49.0\t74.1\t53.8\t61.7"
        << QStringList { "1", "12:00:01", "23.4", "12.1", "16.5", "49.0", "74.1", "53.8", "61.7" };
    QTest::newRow("grid-saved line: trailing TAB adds no column")
        << "2\t12:00:02\tOL\t-OL\t16.5\t49.0\t74.1\t53.8\t61.7\t"
        << QStringList { "2", "12:00:02", "OL", "-OL", "16.5", "49.0", "74.1", "53.8", "61.7" };
    QTest::newRow("extra fields dropped")
        << "a\tb\tc\td\te\tf\tg\th\ti\tj\tk"
        << QStringList { "a", "b", "c", "d", "e", "f", "g", "h", "i" };
    QTest::newRow("missing fields empty") << "7\t08:00:00" << nine({ "7", "08:00:00" });
    QTest::newRow("empty cells inside kept") << "\t\tx" << nine({ "", "", "x" });
    QTest::newRow("empty text") << "" << nine({});
    QTest::newRow("long cell cut") << QString(1000, QLatin1Char('x')) + "\ty"
                                   << nine({ QString(RecordTableModel::MaxCellLength, 'x'), "y" });
}

void TestTables::addItemSplitsAtTabs()
{
    QFETCH(QString, text);
    QFETCH(QStringList, cells);
    RecordTableModel model;
    QVERIFY(model.addItem(QStringLiteral("first")));
    QVERIFY(model.addItem(text));
    QCOMPARE(model.rows(), 3);
    QCOMPARE(model.rowCells(1), nine({ "first" }));
    QCOMPARE(model.rowCells(2), cells);
    // As a Qt model the header row is not a row: grid row 2 is model row 1.
    QStringList modelCells;
    for (int c = 0; c < 9; ++c)
        modelCells << model.data(model.index(1, c)).toString();
    QCOMPARE(modelCells, cells);
}

void TestTables::setRowsClearsAndGrows()
{
    RecordTableModel model;
    for (int i = 1; i <= 20; ++i)
        model.addItem(QString::number(i) + QStringLiteral("\t00:00:00"));
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    // Rows = 1 leaves the header row only.
    model.setRows(1);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCells(0).at(1), QStringLiteral("   Time"));
    // Growing adds empty rows; shrinking drops the last ones.
    model.setRows(4);
    model.addItem(QStringLiteral("x"));
    QCOMPARE(dataRows(model), QStringList({ "", "", "", "x" }));
    model.setRows(3);
    QCOMPARE(dataRows(model), QStringList({ "", "" }));
}

void TestTables::currentCellText()
{
    RecordTableModel model;
    model.addItem(QStringLiteral("1\t10:00:00\t20.0"));
    model.addItem(QStringLiteral("2\t10:00:02\t21.0"));
    model.setRow(2);
    model.setCol(2);
    QCOMPARE(model.text(), QStringLiteral("21.0"));
    model.setText(QStringLiteral("OL"));
    model.setRow(0);
    model.setCol(5);
    QCOMPARE(model.text(), QStringLiteral("RH%"));
    // A TAB typed into a cell cannot shift the cells after it.
    model.setRow(1);
    model.setCol(0);
    model.setText(QStringLiteral("a\tb"));
    QCOMPARE(model.rowCells(1).mid(1, 2), QStringList({ "10:00:00", "20.0" }));
    QCOMPARE(dataRows(model).at(1), QStringLiteral("2\t10:00:02\tOL"));
}

void TestTables::saveLinesAndCaptions_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("tickWhileSaving");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("header only: empty file")
        << QStringList() << false << QByteArray() << QStringList { "Real Time List" };
    QTest::newRow("two rows: trailing TAB, CR LF")
        << QStringList { "1\t12:00:01\t23.4\t12.1\t16.5\t49.0\t74.1\t53.8\t61.7",
                         "2\t12:00:03\tOL\t-OL\t16.5\t49.0\t74.1\t53.8\t61.7" }
        << false
        << QByteArray("1\t12:00:01\t23.4\t12.1\t16.5\t49.0\t74.1\t53.8\t61.7\t\r\n"
                      "2\t12:00:03\tOL\t-OL\t16.5\t49.0\t74.1\t53.8\t61.7\t\r\n")
        << QStringList { "1Records Completed", "2Records Completed", "Real Time List" };
    QTest::newRow("short row: every column written")
        << QStringList { "5\t01:02:03" } << false << QByteArray("5\t01:02:03\t\t\t\t\t\t\t\t\r\n")
        << QStringList { "1Records Completed", "Real Time List" };
    // Rows appended between two slices are not written: the count is taken at the start.
    QTest::newRow("rows appended while saving")
        << QStringList { "1", "2" } << true
        << QByteArray("1\t\t\t\t\t\t\t\t\t\r\n2\t\t\t\t\t\t\t\t\t\r\n")
        << QStringList { "1Records Completed", "2Records Completed", "Real Time List" };
}

// One row a slice, so a caption for each row.
void TestTables::saveLinesAndCaptions()
{
    QFETCH(QStringList, rows);
    QFETCH(bool, tickWhileSaving);
    QFETCH(QByteArray, expected);
    QFETCH(QStringList, captions);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.txt"));
    writeBytes(path, "old contents that must go\r\n");
    RecordTableModel model;
    for (const QString &row : rows)
        model.addItem(row);
    GridSaver saver(&model, path, QStringLiteral("Real Time List"));
    saver.setSliceLimits(1, 1000);
    if (tickWhileSaving) {
        QObject::connect(&saver, &GridSaver::captionChanged,
                         [&model] { model.addItem(QStringLiteral("late")); });
    }
    const Outcome outcome = runToEnd(saver);
    QVERIFY(outcome.ok);
    QCOMPARE(outcome.captions, captions);
    QCOMPARE(readBytes(path), expected);
    QCOMPARE(saver.rowTotal(), rows.size());
}

void TestTables::loadCaptionsAndRows_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("three lines, one caption each line")
        << QByteArray("1\t10:00:00\t20.0\r\n2\t10:00:02\t20.1\r\n"
                      "3\t10:00:04\t20.2\r\n")
        << QStringList { "1\t10:00:00\t20.0", "2\t10:00:02\t20.1", "3\t10:00:04\t20.2" }
        << QStringList { "1 Records Completed", "2 Records Completed", "3 Records Completed",
                         "f.txt" };
    QTest::newRow("a comma splits a line in two rows")
        << QByteArray("1\t10:00:00\t20,5\t9.1\r\n") << QStringList { "1\t10:00:00\t20", "5\t9.1" }
        << QStringList { "1 Records Completed", "2 Records Completed", "f.txt" };
    QTest::newRow("grid-saved lines load back")
        << QByteArray("1\t12:00:01\tOL\t-OL\t16.5\t49.0\t74.1\t53.8\t61.7\t\r\n"
                      "2\t12:00:03\t\t\t\t\t\t\t\t\r\n")
        << QStringList { "1\t12:00:01\tOL\t-OL\t16.5\t49.0\t74.1\t53.8\t61.7", "2\t12:00:03" }
        << QStringList { "1 Records Completed", "2 Records Completed", "f.txt" };
    QTest::newRow("empty file: no rows")
        << QByteArray() << QStringList() << QStringList { "f.txt" };
    QTest::newRow("OL stays OL, leading blanks skipped")
        << QByteArray("   4\t10:00:06\tOL\t-OL\n") << QStringList { "4\t10:00:06\tOL\t-OL" }
        << QStringList { "1 Records Completed", "f.txt" };
}

// One line a slice, so a caption for each row.
void TestTables::loadCaptionsAndRows()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, captions);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.txt"));
    writeBytes(path, contents);
    RecordTableModel model;
    FileLoader loader(&model, path);
    loader.setSliceLimits(1, 1000);
    const Outcome outcome = runToEnd(loader);
    QVERIFY(outcome.ok);
    QCOMPARE(outcome.captions, captions);
    QCOMPARE(dataRows(model), rows);
}

void TestTables::failures_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("path"); // "@" stands for the test's folder
    QTest::addColumn<bool>("starts");
    QTest::addColumn<QString>("lastCaption");
    // A save that cannot create its file never changes the caption.
    QTest::newRow("save: folder missing") << true << "@/missing/x.txt" << false << "";
    QTest::newRow("save: path is a folder") << true << "@" << false << "";
    QTest::newRow("save: disk full while writing") << true << "/dev/full" << true << "Data List";
    QTest::newRow("load: no such file") << false << "@/none.txt" << false << "none.txt";
    QTest::newRow("load: path is a folder") << false << "@" << false << "@";
}

// Each failure is reported with a reason and leaves the caption on the window's title.
void TestTables::failures()
{
    QFETCH(bool, save);
    QFETCH(QString, path);
    QFETCH(bool, starts);
    QFETCH(QString, lastCaption);
    QTemporaryDir dir;
    path.replace(QLatin1Char('@'), dir.path());
    lastCaption.replace(QLatin1Char('@'), QFileInfo(dir.path()).fileName());
    RecordTableModel model;
    model.addItem(QStringLiteral("1"));
    GridSaver saver(&model, path, QStringLiteral("Data List"));
    FileLoader loader(&model, path);
    const Outcome outcome = save ? runToEnd(saver) : runToEnd(loader);
    QCOMPARE(outcome.started, starts);
    QVERIFY(!outcome.ok);
    QVERIFY(!outcome.error.isEmpty());
    QCOMPARE(outcome.captions.value(outcome.captions.size() - 1), lastCaption);
    QCOMPARE(dataRows(model), QStringList { "1" });
}

// The window closes while a save or load runs: the job stops after the slice it was in.
void TestTables::saveAndLoadStopWhenTableGoes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.txt"));
    writeBytes(path, QByteArray("1\r\n").repeated(100));
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

void TestTables::loadBinaryFileInBoundedRows()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.bin"));
    QByteArray noise(4 * 1024 * 1024, '\0');
    QRandomGenerator generator(42);
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = char(generator.bounded(256));
    // A stretch with no line end at all: one item, cut, no unbounded cell.
    noise.append(QByteArray(300 * 1024, 'x'));
    writeBytes(path, noise);
    RecordTableModel model;
    FileLoader loader(&model, path);
    QVERIFY(runToEnd(loader).ok);
    QVERIFY(model.rows() > 1);
    QVERIFY(model.rows() <= RecordTableModel::MaxRows + 1);
    for (int r = 1; r < model.rows(); ++r)
        for (const QString &cell : model.rowCells(r))
            QVERIFY(cell.size() <= RecordTableModel::MaxCellLength);
}

QTEST_GUILESS_MAIN(TestTables)
#include "tst_tables.moc"
