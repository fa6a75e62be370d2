#include "recording/DataFile.h"
#include "recording/FileLoader.h"
#include "tables/GridSaver.h"
#include "tables/RecordTableModel.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

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

// Runs a saver or loader to its end and returns every caption it showed.
template<typename Job> QStringList runToEnd(Job &job, bool *ok)
{
    QStringList captions;
    QObject::connect(&job, &Job::captionChanged,
                     [&captions](const QString &caption) { captions.append(caption); });
    QSignalSpy finished(&job, &Job::finished);
    if (job.start() && finished.isEmpty())
        finished.wait(20000);
    *ok = !finished.isEmpty() && finished.first().at(0).toBool();
    return captions;
}

} // namespace

class TestTables : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headerTexts_data();
    void headerTexts();
    void addItemSplitsAtTabs_data();
    void addItemSplitsAtTabs();
    void rowsOneClearsDataRows();
    void currentCellText();
    void saveLines_data();
    void saveLines();
    void saveCaptionsRowByRow();
    void saveTakesRowCountAtStart();
    void saveToUnwritablePathFails();
    void saveStopsWhenTableGoes();
    void loadCaptionsAndRows_data();
    void loadCaptionsAndRows();
    void savedFileLoadsBackTheSame();
    void loadMissingFileFails();
    void loadBinaryFileInBoundedRows();
    void loadStopsWhenTableGoes();
};

void TestTables::headerTexts_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("widthSample");
    QTest::newRow("number") << 0 << "No.s"
                            << " 000000 ";
    QTest::newRow("time, three leading blanks") << 1 << "   Time"
                                                << " 000:00:00 ";
    QTest::newRow("Celsius, one leading blank") << 2 << " Cel"
                                                << "AAAAA";
    QTest::newRow("dew C") << 3 << "DewC"
                           << "AAAAA";
    QTest::newRow("wet C") << 4 << "WetC"
                           << "AAAAA";
    QTest::newRow("humidity") << 5 << "RH%"
                              << "AAAAA";
    QTest::newRow("Fahrenheit") << 6 << "Fah"
                                << "AAAAA";
    QTest::newRow("dew F") << 7 << "DewF"
                           << "AAAAA";
    QTest::newRow("wet F") << 8 << "WetF"
                           << "AAAAA";
}

void TestTables::headerTexts()
{
    QFETCH(int, column);
    QFETCH(QString, header);
    QFETCH(QString, widthSample);
    RecordTableModel model;
    QCOMPARE(model.columnCount(), 9);
    QCOMPARE(model.rows(), 1);
    QCOMPARE(model.headerData(column, Qt::Horizontal).toString(), header);
    QCOMPARE(model.cellText(0, column), header);
    QCOMPARE(model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
             int(Qt::AlignCenter));
    QCOMPARE(RecordTableModel::widthSample(column), widthSample);
}

void TestTables::addItemSplitsAtTabs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("cells");
    const QString empty;
    QTest::newRow("recorder line")
        << "1\t12:00:01\t23.4\t12.1\t16.5\t49.0\t74.1\t53.8\t61.7"
        << QStringList { "1", "12:00:01", "23.4", "12.1", "16.5", "49.0", "74.1", "53.8", "61.7" };
    QTest::newRow("grid-saved line: trailing TAB adds no column")
        << "2\t12:00:02\tOL\t-OL\t16.5\t49.0\t74.1\t53.8\t61.7\t"
        << QStringList { "2", "12:00:02", "OL", "-OL", "16.5", "49.0", "74.1", "53.8", "61.7" };
    QTest::newRow("extra fields dropped")
        << "a\tb\tc\td\te\tf\tg\th\ti\tj\tk"
        << QStringList { "a", "b", "c", "d", "e", "f", "g", "h", "i" };
    QTest::newRow("missing fields empty")
        << "7\t08:00:00"
        << QStringList { "7", "08:00:00", empty, empty, empty, empty, empty, empty, empty };
    QTest::newRow("empty cells inside kept")
        << "\t\tx" << QStringList { empty, empty, "x", empty, empty, empty, empty, empty, empty };
    QTest::newRow("empty text") << "" << QStringList(9, QString());
    QTest::newRow("long cell cut")
        << QString(1000, QLatin1Char('x')) + "\ty"
        << QStringList { QString(RecordTableModel::MaxCellLength, QLatin1Char('x')),
                         "y",
                         empty,
                         empty,
                         empty,
                         empty,
                         empty,
                         empty,
                         empty };
}

void TestTables::addItemSplitsAtTabs()
{
    QFETCH(QString, text);
    QFETCH(QStringList, cells);
    RecordTableModel model;
    QVERIFY(model.addItem(QStringLiteral("first")));
    QVERIFY(model.addItem(text));
    QCOMPARE(model.rows(), 3);
    QCOMPARE(model.rowCells(2), cells);
    for (int c = 0; c < 9; ++c) {
        QCOMPARE(model.cellText(2, c), cells.at(c));
        QCOMPARE(model.data(model.index(1, c)).toString(), cells.at(c));
    }
    QCOMPARE(model.cellText(1, 0), QStringLiteral("first"));
}

void TestTables::rowsOneClearsDataRows()
{
    RecordTableModel model;
    for (int i = 1; i <= 20; ++i)
        model.addItem(QString::number(i) + QStringLiteral("\t00:00:0") + QString::number(i % 10));
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.setRows(1);
    QCOMPARE(model.rows(), 1);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.cellText(0, 1), QStringLiteral("   Time"));
    QCOMPARE(model.cellText(1, 0), QString());
    // Growing adds empty rows; shrinking drops the last ones.
    model.setRows(4);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.rowCells(3), QStringList(9, QString()));
    model.addItem(QStringLiteral("x"));
    model.setRows(2);
    QCOMPARE(model.rows(), 2);
    QCOMPARE(model.cellText(1, 0), QString());
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
    QCOMPARE(model.cellText(2, 2), QStringLiteral("OL"));
    QCOMPARE(model.cellText(2, 1), QStringLiteral("10:00:02"));
    model.setRow(0);
    model.setCol(5);
    QCOMPARE(model.text(), QStringLiteral("RH%"));
    // A TAB typed into a cell cannot shift the cells after it.
    model.setRow(1);
    model.setCol(0);
    model.setText(QStringLiteral("a\tb"));
    QCOMPARE(model.cellText(1, 1), QStringLiteral("10:00:00"));
}

void TestTables::saveLines_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("header only: empty file") << QStringList() << QByteArray();
    QTest::newRow("two rows: trailing TAB, CR LF")
        << QStringList { "1\t12:00:01\t23.4\t12.1\t16.5\t49.0\t74.1\t53.8\t61.7",
                         "2\t12:00:03\tOL\t-OL\t16.5\t49.0\t74.1\t53.8\t61.7" }
        << QByteArray("1\t12:00:01\t23.4\t12.1\t16.5\t49.0\t74.1\t53.8\t61.7\t\r\n"
                      "2\t12:00:03\tOL\t-OL\t16.5\t49.0\t74.1\t53.8\t61.7\t\r\n");
    QTest::newRow("short row: every column written")
        << QStringList { "5\t01:02:03" } << QByteArray("5\t01:02:03\t\t\t\t\t\t\t\t\r\n");
}

void TestTables::saveLines()
{
    QFETCH(QStringList, rows);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.txt"));
    writeBytes(path, "old contents that must go\r\n");
    RecordTableModel model;
    for (const QString &row : rows)
        model.addItem(row);
    GridSaver saver(&model, path, QStringLiteral("Real Time List"));
    bool ok = false;
    const QStringList captions = runToEnd(saver, &ok);
    QVERIFY(ok);
    QCOMPARE(readBytes(path), expected);
    QCOMPARE(captions.last(), QStringLiteral("Real Time List"));
}

void TestTables::saveCaptionsRowByRow()
{
    QTemporaryDir dir;
    RecordTableModel model;
    for (int i = 1; i <= 3; ++i)
        model.addItem(QString::number(i));
    GridSaver saver(&model, dir.filePath(QStringLiteral("s.txt")), QStringLiteral("Data List"));
    saver.setSliceLimits(1, 1000);
    bool ok = false;
    const QStringList captions = runToEnd(saver, &ok);
    QVERIFY(ok);
    QCOMPARE(captions,
             QStringList({ "1Records Completed", "2Records Completed", "3Records Completed",
                           "Data List" }));
}

void TestTables::saveTakesRowCountAtStart()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.txt"));
    RecordTableModel model;
    model.addItem(QStringLiteral("1"));
    model.addItem(QStringLiteral("2"));
    GridSaver saver(&model, path, QStringLiteral("Real Time List"));
    saver.setSliceLimits(1, 1000);
    // A recorder tick between two slices appends a row to the list being saved.
    QObject::connect(&saver, &GridSaver::captionChanged, [&model](const QString &caption) {
        if (caption.endsWith(QLatin1String("Records Completed")))
            model.addItem(QStringLiteral("late"));
    });
    bool ok = false;
    runToEnd(saver, &ok);
    QVERIFY(ok);
    QCOMPARE(saver.rowTotal(), 2);
    QCOMPARE(model.rows(), 5);
    QCOMPARE(readBytes(path), QByteArray("1\t\t\t\t\t\t\t\t\t\r\n2\t\t\t\t\t\t\t\t\t\r\n"));
}

void TestTables::saveToUnwritablePathFails()
{
    QTemporaryDir dir;
    RecordTableModel model;
    model.addItem(QStringLiteral("1"));
    const QStringList paths = { dir.filePath(QStringLiteral("missing/folder/x.txt")), dir.path() };
    for (const QString &path : paths) {
        GridSaver saver(&model, path, QStringLiteral("Data List"));
        QSignalSpy finished(&saver, &GridSaver::finished);
        QVERIFY(!saver.start());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().at(0).toBool(), false);
        QVERIFY(!finished.first().at(1).toString().isEmpty());
    }
    // A disk that is full while writing.
    GridSaver full(&model, QStringLiteral("/dev/full"), QStringLiteral("Data List"));
    bool ok = true;
    const QStringList captions = runToEnd(full, &ok);
    QVERIFY(!ok);
    QCOMPARE(captions.last(), QStringLiteral("Data List"));
}

void TestTables::saveStopsWhenTableGoes()
{
    QTemporaryDir dir;
    auto *model = new RecordTableModel;
    for (int i = 0; i < 10; ++i)
        model->addItem(QString::number(i));
    GridSaver saver(model, dir.filePath(QStringLiteral("s.txt")), QStringLiteral("List"));
    saver.setSliceLimits(2, 1000);
    QObject::connect(&saver, &GridSaver::captionChanged, [&model](const QString &) {
        delete model;
        model = nullptr;
    });
    bool ok = true;
    runToEnd(saver, &ok);
    QVERIFY(!ok);
    QCOMPARE(saver.rowsWritten(), 2);
}

void TestTables::loadCaptionsAndRows_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("firstCells");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("three lines") << QByteArray(
        "1\t10:00:00\t20.0\r\n2\t10:00:02\t20.1\r\n3\t10:00:04\t20.2\r\n")
                                 << QStringList { "1", "2", "3" }
                                 << QStringList { "1 Records Completed", "2 Records Completed",
                                                  "3 Records Completed", "f.txt" };
    QTest::newRow("a comma splits a line in two rows")
        << QByteArray("1\t10:00:00\t20,5\r\n") << QStringList { "1", "5" }
        << QStringList { "1 Records Completed", "2 Records Completed", "f.txt" };
    QTest::newRow("empty file: no rows")
        << QByteArray() << QStringList() << QStringList { "f.txt" };
    QTest::newRow("OL stays OL, leading blanks skipped")
        << QByteArray("   4\t10:00:06\tOL\t-OL\n") << QStringList { "4" }
        << QStringList { "1 Records Completed", "f.txt" };
}

void TestTables::loadCaptionsAndRows()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, firstCells);
    QFETCH(QStringList, captions);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.txt"));
    writeBytes(path, contents);
    RecordTableModel model;
    FileLoader loader(&model, path);
    loader.setSliceLimits(1, 1000);
    bool ok = false;
    QCOMPARE(runToEnd(loader, &ok), captions);
    QVERIFY(ok);
    QCOMPARE(model.rows(), firstCells.size() + 1);
    for (int r = 1; r < model.rows(); ++r)
        QCOMPARE(model.cellText(r, 0), firstCells.at(r - 1));
    if (contents.contains("OL")) {
        QCOMPARE(model.cellText(1, 2), QStringLiteral("OL"));
        QCOMPARE(model.cellText(1, 3), QStringLiteral("-OL"));
    }
}

void TestTables::savedFileLoadsBackTheSame()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("round.txt"));
    RecordTableModel original;
    for (int i = 1; i <= 500; ++i)
        original.addItem(DataFile::timeAndValues(QStringLiteral("10:00:00"), ReadingTexts())
                             .prepend(QString::number(i) + QLatin1Char('\t')));
    original.addItem(QStringLiteral("501\t10:00:01\tOL\t-OL\t1.0\t2.0\t3.0\t4.0\t5.0"));
    GridSaver saver(&original, path, QStringLiteral("Data List"));
    bool ok = false;
    runToEnd(saver, &ok);
    QVERIFY(ok);
    RecordTableModel loaded;
    FileLoader loader(&loaded, path);
    runToEnd(loader, &ok);
    QVERIFY(ok);
    QCOMPARE(loaded.rows(), original.rows());
    for (int r = 1; r < original.rows(); ++r)
        QCOMPARE(loaded.rowCells(r), original.rowCells(r));
}

void TestTables::loadMissingFileFails()
{
    QTemporaryDir dir;
    const QStringList paths = { dir.filePath(QStringLiteral("none.txt")), dir.path() };
    for (const QString &path : paths) {
        RecordTableModel model;
        FileLoader loader(&model, path);
        QStringList captions;
        QObject::connect(&loader, &FileLoader::captionChanged,
                         [&captions](const QString &c) { captions.append(c); });
        QSignalSpy finished(&loader, &FileLoader::finished);
        QVERIFY(!loader.start());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().at(0).toBool(), false);
        QCOMPARE(captions, QStringList { QFileInfo(path).fileName() });
        QCOMPARE(model.rows(), 1);
    }
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
    bool ok = false;
    runToEnd(loader, &ok);
    QVERIFY(ok);
    QVERIFY(model.rows() > 1);
    QVERIFY(model.rows() <= RecordTableModel::MaxRows + 1);
    for (int r = 1; r < model.rows(); ++r)
        for (int c = 0; c < 9; ++c)
            QVERIFY(model.cellText(r, c).size() <= RecordTableModel::MaxCellLength);
}

void TestTables::loadStopsWhenTableGoes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.txt"));
    writeBytes(path, QByteArray("1\r\n").repeated(100));
    auto *model = new RecordTableModel;
    FileLoader loader(model, path);
    loader.setSliceLimits(10, 1000);
    QObject::connect(&loader, &FileLoader::captionChanged, [&model](const QString &) {
        delete model;
        model = nullptr;
    });
    bool ok = true;
    runToEnd(loader, &ok);
    QVERIFY(!ok);
    QCOMPARE(loader.rowsLoaded(), 10);
}

QTEST_GUILESS_MAIN(TestTables)
#include "tst_tables.moc"
