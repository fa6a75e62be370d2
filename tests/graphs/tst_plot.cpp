#include "app/Application.h"
#include "app/MainToolbarCommands.h"
#include "app/MainWindow.h"
#include "app/PortWindow.h"
#include "graphs/DataPlot.h"
#include "graphs/DataPlotWindow.h"
#include "graphs/PlotRangeCheck.h"
#include "graphs/PlotRangeDialog.h"
#include "tables/DataListWindow.h"
#include "tables/FileListWindow.h"
#include "tables/RecordWindows.h"
#include "tests/common/CommandRun.h"
#include "tests/common/LiteralPlot.h"
#include "tests/common/PdfPage.h"
#include "tests/common/ProgramRig.h"
#include "tests/common/TestData.h"

#include <QPrinter>
#include <QtTest>
#include <QtWidgets>

using namespace dewscope;
using State = DataPlotState;
using Check = PlotRangeCheck;

namespace {

// Records with a time mark every few rows, "OL", "-OL" and empty cells among the values.
void fill(RecordTableModel *table, int rows, int seed)
{
    for (int r = 1; r <= rows; ++r) {
        QStringList cells { QString::number(r), QTime(10, 0).addSecs(r * 2).toString("hh:mm:ss") };
        for (int c = 2; c <= 8; ++c) {
            const int v = (r * 37 + c * 11 + seed) % 131 - 30;
            cells << (v >= 7 && v <= 9 ? QStringList { "OL", "-OL", "" }[v - 7]
                                       : QString::number(v * 0.7, 'f', 1));
        }
        table->addItem(cells.join('\t'));
    }
}

QString scales(const State &s)
{
    QStringList list;
    for (float v : { s.maxC, s.minC, s.maxF, s.minF, s.maxRH, s.minRH, s.from, s.to, s.count })
        list << QString::number(v, 'g', 7);
    return list.join(' ');
}

} // namespace

class TestPlot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The layout and the record arithmetic: "client count | width bottom height step", then
    // for each record of the span its mark (L label, t tick, . none), then curve heights.
    void arithmetic_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("marks");
        for (const char *row :
             { "659x518 510|510 491 418 1|", "659x518 0|510 491 418 0|",
               "400x391 7|270 364 291 38.57143|LLtLLtL", "659x518 10|510 491 418 51|LLtLtLtLtL",
               "659x518 4|510 491 418 127.5|LLLL", "659x518 1|510 491 418 510|L" })
            QTest::newRow(row) << QString(row).section('|', 0, 1) << QString(row).section('|', 2);
        QString hundred = QString(".").repeated(100);
        for (int k : { 1, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100 })
            hundred[k - 1] = k % 20 == 10 ? 't' : 'L';
        QTest::newRow("100") << "659x518 100|510 491 418 5.1" << hundred;
    }
    void arithmetic()
    {
        QFETCH(QString, layout);
        QFETCH(QString, marks);
        const QStringList in = layout.section('|', 0, 0).split(QRegularExpression("[x ]"));
        State s;
        s.spanWholeTable(in[2].toInt());
        s.layOut(in[0].toInt(), in[1].toInt());
        QStringList got;
        for (float v : { s.width, s.bottom, s.height, s.step })
            got << QString::number(v, 'g', 7);
        QCOMPARE(got.join(' '), layout.section('|', 1));
        QString gotMarks;
        for (int k = 1; k <= s.recordCount() && !marks.isEmpty(); ++k)
            gotMarks += QLatin1Char(".Lt"[int(s.timeMark(k))]);
        QCOMPARE(gotMarks, marks);
    }

    // Heights on the default scales at 659 x 518: "curve|cell text|height".
    void curveHeight_data()
    {
        QTest::addColumn<QString>("row");
        for (const char *row : { "0|20.0|209", "1|25.0|104.5", "2|60.0|418", "3|60.01|423",
                                 "1|OL|423", "0|-OL|-3", "0||104.5", "1|50x|209" })
            QTest::newRow(row) << QString(row);
    }
    void curveHeight()
    {
        QFETCH(QString, row);
        const QStringList cells = row.split('|');
        State s;
        s.layOut(659, 518);
        double h = 0;
        QVERIFY(s.curveHeight(State::Curve(cells[0].toInt()), cells[1], &h));
        QCOMPARE(h, cells[2].toDouble());
    }

    void rangeCheck_data()
    {
        QTest::addColumn<bool>("celsius");
        QTest::addColumn<QString>("boxes"); // max min maxRH minRH from to
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored"); // scales, from, to, count
        const QString span = "1 <= From <= 250, try again!";
        const QString same = "60 -20 140 -4 100 0 1 250 250";
        // C or F|max|min|max RH|min RH|from|to, then the message or the stored values
        // (scales, from, to, count); an empty max beside -5 passes but is not a number. The
        // scale groups' limits and messages: tst_graphs.
        for (const QString &row : QStringList {
                 "C|60|-20|100|0|1|250|", "F|100|32|100|0|1|250|37.8 0 100 32 100 0 1 250 250",
                 "C|37.8|0|100|0|1|250|37.8 0 100.04 32 100 0 1 250 250",
                 "C|60|-20|100|0|1|251|" + span, "C|60|-20|100|0|1|250.5|" + span,
                 "C|60|-20|100|0|0|250|" + span, "C|60|-20|100|0|10|10|" + span,
                 "C|60|-20|100|0|10|11|60 -20 140 -4 100 0 10 11 2",
                 "C|40|0|90|10|5|300|" + span + "|40 0 104 32 90 10 1 250 250",
                 "C||-5|100|0|1|250|" }) {
            const QStringList f = row.split('|');
            const bool refused = f[7].contains("try again");
            QTest::newRow(qPrintable(row)) << (f[0] == "C") << QStringList(f.mid(1, 6)).join('|')
                                           << (refused ? f[7] : QString())
                                           << (refused || f[7].isEmpty() ? f.value(8, same) : f[7]);
        }
    }
    void rangeCheck()
    {
        QFETCH(bool, celsius);
        QFETCH(QString, boxes);
        const QStringList b = boxes.split('|');
        State s;
        s.spanWholeTable(250);
        const auto result = Check::apply({ celsius, b[0], b[1], b[2], b[3], b[4], b[5] }, &s);
        QTEST(result.message, "message");
        QCOMPARE(result.outcome == Check::Outcome::ConversionFailed, boxes.startsWith('|'));
        QTEST(scales(s), "stored");
    }

    // The painter's single pass against the record-by-record order, pixel for pixel.
    // "rows from to records-per-slice": a time mark under each later segment's start, "OL",
    // "-OL" and empty cells, one record, fewer than 5, a dense span, an empty table.
    void samePixelsAsLiteral_data()
    {
        QTest::addColumn<QString>("span");
        for (const char *span : { "12 2 11 3", "5 3 3 1", "4 1 4 2", "1300 1 1300 97", "0 1 0 5" })
            QTest::newRow(span) << QString(span);
    }
    void samePixelsAsLiteral()
    {
        QFETCH(QString, span);
        const QStringList n = span.split(' ');
        const int rows = n[0].toInt(), from = n[1].toInt(), to = n[2].toInt(), slice = n[3].toInt();
        RecordTableModel table;
        fill(&table, rows, rows);
        State state;
        state.spanWholeTable(rows);
        state.from = from, state.to = to, state.count = to - from + 1;
        DrawingSurface fast(PlotPainter::font(), PlotPainter::backColor());
        DrawingSurface literal(PlotPainter::font(), PlotPainter::backColor());
        for (DrawingSurface *s : { &fast, &literal })
            s->setImageSize(QSize(659, 518));
        PlotPainter painter(&fast, &state);
        painter.drawFrame();
        while (painter.drawRecords(&table, slice) == PlotPainter::Progress::Running) { }
        PlotPainter(&literal, &state).drawFrame();
        QVERIFY(test::drawLiterally(literal, state, table));
        QCOMPARE(fast.image(), literal.image());
    }

    // Through the program: "Plot" in the File List, then in the Data List, the range dialog,
    // an empty table, printing.
    void plotInTheProgram()
    {
        test::ProgramRig rig;
        QVERIFY(rig.startMeter(20, 25));
        rig.ok();
        Application &app = *rig.app;
        RecordWindows *windows = app.mainWindow()->findChild<MainToolbarCommands *>()->windows();
        DataPlot *plot = app.dataPlot();
        FileListWindow *fileList = windows->openFileList("File List");
        fill(fileList->model(), 30, 1);
        fileList->runKey("Plot");
        QPointer<DataPlotWindow> first = plot->window();
        QVERIFY(first && first->isVisible() && plot->fromFileList());
        const QRect free = first->screen()->availableGeometry();
        QVERIFY(free.contains(first->frameGeometry())
                && first->frameGeometry().top() == free.top());
        QCOMPARE(first->size(), QSize(659, 518));
        QTRY_VERIFY(!first->isDrawing() && first->windowTitle() == DataPlotWindow::Caption);

        // The File List opened anew: the plot draws its table whole as its rows arrive, here 40
        // records of 25.0 C (y 255.875) from x 120 to 617.25.
        plot->state()->maxC = 30;
        fileList = windows->openFileList("b.txt");
        for (int r = 1; r <= 40; ++r)
            fileList->model()->addItem(QString("%1\t10:%1:00\t25.0\t\t\t25.0").arg(r + 10));
        QTRY_VERIFY(plot->state()->count == 40 && !first->isDrawing());
        QCOMPARE(scales(*plot->state()), "60 -20 140 -4 100 0 1 40 40");
        QCOMPARE(first->image().pixelColor(400, 256), QColor(Qt::black));

        // Printed: the heading, then the plot drawn anew as vectors, 1140 / 659 dots a pixel
        // (A4 less 24 pt margins at 150 dpi): the x axis 516 pixels, the curve 498.25.
        QTemporaryDir dir;
        QPrinter printer;
        printer.setOutputFileName(dir.filePath("plot.pdf"));
        printer.setPageMargins(QMarginsF(24, 24, 24, 24), QPageLayout::Point);
        QVERIFY(first->printTo(&printer));
        const QString text = test::pdfText(dir.filePath("plot.pdf"));
        QVERIFY(text.startsWith("Plot Data/File: b.txt, "
                                + QDate::currentDate().toString(Qt::ISODate)));
        QVERIFY(text.contains("100.0") && text.contains("10:50:00"));
        const QImage page = test::pdfPage(dir.filePath("plot.pdf"), 150);
        QList<int> longest; // each row's longest black run
        for (int y = 0; y < page.height(); ++y) {
            int run = 0, most = 0;
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                run = qMax(c.red(), qMax(c.green(), c.blue())) < 110 ? run + 1 : 0;
                most = qMax(most, run);
            }
            longest << most;
        }
        for (int length : { 893, 862 })
            QVERIFY(std::any_of(longest.begin(), longest.end(),
                                [length](int n) { return qAbs(n - length) <= 3; }));

        plot->state()->maxC = 30;
        DataListWindow *dataList = windows->openDataList();
        fill(dataList->model(), 250, 2);
        dataList->runKey("Plot");
        QTRY_VERIFY(!first);
        QPointer<DataPlotWindow> window = plot->window();
        QVERIFY(window && window->isVisible() && plot->fromDataList() && !plot->fromFileList());
        QCOMPARE(scales(*plot->state()), "60 -20 140 -4 100 0 1 250 250");

        window->limitButton()->trigger();
        PlotRangeDialog *range = plot->rangeDialog();
        QVERIFY(range && range->isVisible() && range->optCelsius()->isChecked());
        const auto boxes = [range] {
            return QStringList { range->txtFrom()->text(), range->txtTo()->text(),
                                 range->txtMin()->text(),  range->txtMax()->text(),
                                 range->txtMinR()->text(), range->txtMaxR()->text() }
                .join('|');
        };
        QCOMPARE(boxes(), "1|250|-20|60|0|100");
        for (QLineEdit *box : { range->txtFrom(), range->txtMinR(), range->txtMin() })
            box->clear(), QTest::keyClicks(box, "-1.5a");
        QCOMPARE(boxes(), "15|250|-1.5|60|1.5|100");
        range->txtTo()->setText("300");
        range->cmdOk()->click();
        auto *box = range->findChild<QMessageBox *>();
        QVERIFY(box && box->isVisible() && box->icon() == QMessageBox::Critical);
        QCOMPARE(box->text(), "1 <= From <= 250, try again!");
        box->accept();
        range->txtTo()->setText("40");
        range->cmdOk()->click();
        QTRY_VERIFY(!plot->rangeDialog());
        QVERIFY(!window && plot->window()->isVisible()
                && plot->window()->size() == QSize(659, 518));
        QCOMPARE(scales(*plot->state()), "60 -1.5 140 29.3 100 1.5 15 40 26");

        // A box that is not a number hides the plot; "Plot" shows it again, reset, here on an
        // empty table.
        plot->window()->limitButton()->trigger();
        plot->rangeDialog()->txtMaxR()->setText("9..");
        plot->rangeDialog()->cmdOk()->click();
        QTRY_VERIFY(!plot->rangeDialog());
        window = plot->window();
        QVERIFY(window && !window->isVisible());
        dataList->model()->setRows(1);
        dataList->runKey("Plot");
        QVERIFY(plot->window() == window && window->isVisible());
        QCOMPARE(scales(*plot->state()), "60 -20 140 -4 100 0 1 0 0");
        QTRY_VERIFY(!window->isDrawing());

        // A printout that fails leaves the earlier file as it was.
        const QByteArray earlier = test::readBytes(dir.filePath("plot.pdf"));
        plot->state()->to = plot->state()->count = 3; // rows the table does not have
        QString error;
        const bool printed = window->printTo(&printer, &error);
        QCOMPARE(test::readBytes(dir.filePath("plot.pdf")), earlier);
        QVERIFY(!printed && error.contains("not written"));
        window->printButton()->trigger();
        QVERIFY(window->printDialog() && window->toolbar()->isHidden());
        window->printDialog()->reject();
        QVERIFY(!window->toolbar()->isHidden());
    }

    void command_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err");
        // options|exit code|message
        for (const QString &row : QStringList {
                 "|0|", "--from 2 --to 9 --fahrenheit 32,100 --rh 10,90|0|",
                 "--celsius -25,60|2|" + Check::CelsiusMessage,
                 "--rh -1,50|2|" + Check::HumidityMessage, "--to 11|2|1 <= From <= 10, try again!",
                 "--celsius 0,0 --to 11|2|" + Check::CelsiusMessage,
                 "--size 300x300|2|at least 400x391", "--size big|2|WIDTHxHEIGHT",
                 "--size 400x10001|2|--size is at most 10000x10000 pixels",
                 "--file|1|none.txt does not exist" })
            QTest::newRow(qPrintable(row))
                << row.section('|', 0, 0) << row.section('|', 1, 1).toInt() << row.section('|', 2);
    }
    void command()
    {
        QFETCH(QString, options);
        QTemporaryDir dir;
        QByteArray data;
        for (int r = 1; r <= 10; ++r) // the data file format: TAB-separated cells, CR LF
            data += QString("%1\t10:00:%2\t2%1.5\tOL\t-OL\t\r\n").arg(r).arg(r * 2).toUtf8();
        QVERIFY(test::writeBytes(dir.filePath("data.txt"), data));
        QStringList args { "plot", dir.filePath(options == "--file" ? "none.txt" : "data.txt"),
                           "--png", dir.filePath("out.png") };
        test::CommandRun run(
            args
            + options.split(' ', Qt::SkipEmptyParts).filter(QRegularExpression("^(?!--file)")));
        QTEST(run.code, "code");
        QFETCH(QString, err);
        QCOMPARE(run.err().contains(err) && (err.isEmpty() == run.err().isEmpty()), true);
        QCOMPARE(QImage(dir.filePath("out.png")).size(),
                 run.code == 0 ? QSize(659, 518) : QSize(0, 0));
    }
};

QTEST_MAIN(TestPlot)
#include "tst_plot.moc"
