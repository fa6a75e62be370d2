#include "app/Application.h"
#include "app/MainToolbarCommands.h"
#include "app/Panel.h"
#include "app/Port.h"
#include "graphs/DataPlot.h"
#include "graphs/DataPlotState.h"
#include "graphs/GraphFrame.h"
#include "graphs/ListPlot1.h"
#include "graphs/PlotRange.h"
#include "graphs/PlotRangeCheck.h"
#include "meter/SimulatedMeter.h"
#include "tables/DataList.h"
#include "tables/FileList.h"
#include "tables/RecordWindows.h"
#include "tests/common/CommandRun.h"

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
            cells << (v == 7        ? "OL"
                          : v == 9  ? "-OL"
                          : v == 11 ? ""
                                    : QString::number(v * 0.7, 'f', 1));
        }
        table->addItem(cells.join('\t'));
    }
}

// The curves as drawn record by record: the grid, the record's segments, its time mark, and the
// event loop let through, for every record.
void drawLiterally(DrawingSurface &s, State &p, const RecordTableModel &table)
{
    const QColor grid = DrawingSurface::paletteColor(7);
    for (int r = p.firstRow(); r <= int(p.to); ++r) {
        QCoreApplication::processEvents();
        const int k = r - p.firstRow() + 1;
        p.x = p.x + p.step;
        const double x = p.recordX(k);
        GraphFrame::of(p).drawGrid(s);
        for (int c = 0; c < State::CurveCount; ++c) {
            double h = 0;
            QVERIFY(p.curveHeight(State::Curve(c), table.cellText(r, State::CurveColumns[c]), &h));
            if (p.prevX != 0 && p.x != 0)
                s.line(p.prevX, p.prevY[c], x, p.bottom - h, GraphFrame::CurveColors[c]);
            p.prevY[c] = float(p.bottom - h);
        }
        p.prevX = float(x);
        if (p.timeMark(k) == State::TimeMark::Label) {
            s.setDrawStyle(DrawingSurface::Style::Dotted);
            s.line(x, p.bottom, x, p.bottom - p.height - 10, grid);
            s.setDrawStyle(DrawingSurface::Style::Solid);
            const QString time = table.cellText(r, 1);
            s.setCurrentX(x - s.textWidth(time) / 2 - (r == p.firstRow() ? 10 : 0)
                          - (r == int(p.to) ? 10 : 0));
            s.setCurrentY(p.bottom + 10);
            s.setForeColor(Qt::black);
            s.print(time);
        } else if (p.timeMark(k) == State::TimeMark::Tick) {
            s.line(x, p.bottom - 3.8 * p.height / 8, x, p.bottom - 4.2 * p.height / 8, grid);
        }
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
    void layout_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("layout"); // width bottom height step
        QTest::newRow("opening, 510 records") << QSize(659, 518) << 510 << "510 491 418 1";
        QTest::newRow("empty table") << QSize(659, 518) << 0 << "510 491 418 0";
        QTest::newRow("minimum") << QSize(400, 391) << 7 << "270 364 291 38.57143";
    }
    void layout()
    {
        QFETCH(QSize, client);
        QFETCH(int, count);
        State s;
        s.spanWholeTable(count);
        s.layOut(client.width(), client.height());
        QStringList got;
        for (float v : { s.width, s.bottom, s.height, s.step })
            got << QString::number(v, 'g', 7);
        QTEST(got.join(' '), "layout");
        QCOMPARE(s.x, -s.step);
    }

    void timeMarks_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("labels");
        QTest::addColumn<QString>("ticks");
        QTest::newRow("10") << 10 << "1 2 4 6 8 10"
                            << "3 5 7 9";
        QTest::newRow("100") << 100 << "1 20 40 60 80 100"
                             << "10 30 50 70 90";
        QTest::newRow("4") << 4 << "1 2 3 4"
                           << "";
        QTest::newRow("3") << 3 << "1 2 3"
                           << "";
        QTest::newRow("1") << 1 << "1"
                           << "";
    }
    void timeMarks()
    {
        QFETCH(int, count);
        QStringList labels, ticks;
        for (int k = 1; k <= count; ++k) {
            const auto mark = State::timeMark(k, count);
            if (mark != State::TimeMark::None)
                (mark == State::TimeMark::Label ? labels : ticks) << QString::number(k);
        }
        QTEST(labels.join(' '), "labels");
        QTEST(ticks.join(' '), "ticks");
    }

    void curveHeight_data()
    {
        QTest::addColumn<int>("curve");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("height");
        QTest::newRow("20 C at half") << 0 << "20.0" << 209.0;
        QTest::newRow("25 % at a quarter") << 1 << "25.0" << 104.5;
        QTest::newRow("top on the top line") << 2 << "60.0" << 418.0;
        QTest::newRow("above the top") << 3 << "60.01" << 423.0;
        QTest::newRow("OL") << 1 << "OL" << 423.0;
        QTest::newRow("-OL") << 0 << "-OL" << -3.0;
        QTest::newRow("empty as 0") << 0 << "" << 104.5;
        QTest::newRow("leading number") << 1 << "50x" << 209.0;
    }
    void curveHeight()
    {
        State s;
        s.layOut(659, 518);
        double h = 0;
        QFETCH(int, curve);
        QFETCH(QString, text);
        QVERIFY(s.curveHeight(State::Curve(curve), text, &h));
        QTEST(h, "height");
    }

    void rangeCheck_data()
    {
        QTest::addColumn<bool>("celsius");
        QTest::addColumn<QString>("boxes"); // max min maxRH minRH from to
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored"); // scales, from, to, count
        const QString c = Check::CelsiusMessage, f = Check::FahrenheitMessage;
        const QString rh = Check::HumidityMessage, span = "1 <= From <= 250, try again!";
        const char *unchanged = "60 -20 140 -4 100 0 1 250 250";
        auto row = [](const char *name, bool celsius, const char *boxes, const QString &message,
                      const char *stored) {
            QTest::newRow(name) << celsius << boxes << message << stored;
        };
        row("C limits", true, "60|-20|100|0|1|250", "", unchanged);
        row("C 60.1", true, "60.1|-20|100|0|1|250", c, unchanged);
        row("C -20.1", true, "60|-20.1|100|0|1|250", c, unchanged);
        row("C max = min", true, "30|30|100|0|1|250", c, unchanged);
        row("F limits", false, "140|-4|100|0|1|250", "", unchanged);
        row("F 100/32", false, "100|32|100|0|1|250", "", "37.8 0 100 32 100 0 1 250 250");
        row("C 37.8/0", true, "37.8|0|100|0|1|250", "", "37.8 0 100.04 32 100 0 1 250 250");
        row("F 141", false, "141|-4|100|0|1|250", f, unchanged);
        row("RH 100.5", true, "60|-20|100.5|0|1|250", rh, unchanged);
        row("To 251", true, "60|-20|100|0|1|251", span, unchanged);
        row("From 0", true, "60|-20|100|0|0|250", span, unchanged);
        row("From 10 To 10", true, "60|-20|100|0|10|10", span, unchanged);
        row("From 10 To 11", true, "60|-20|100|0|10|11", "", "60 -20 140 -4 100 0 10 11 2");
        row("span after new scales", true, "40|0|90|10|5|300", span, "40 0 104 32 90 10 1 250 250");
        row("empty max beside -5", true, "|-5|100|0|1|250", "", unchanged);
    }
    void rangeCheck()
    {
        QFETCH(bool, celsius);
        QFETCH(QString, boxes);
        const QStringList b = boxes.split('|');
        State s;
        s.spanWholeTable(250);
        const auto result
            = Check::apply({ celsius, b[0], b[1], b[2], b[3], b[4], b[5] }, &s, QLocale::c());
        QTEST(result.message, "message");
        QCOMPARE(result.outcome == Check::Outcome::ConversionFailed, boxes.startsWith('|'));
        QTEST(scales(s), "stored");
    }

    // The painter's single pass against the record-by-record order, pixel for pixel.
    void samePixelsAsLiteral_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("slice");
        QTest::newRow("10 records, wide steps") << 12 << 2 << 11 << 3;
        QTest::newRow("one record") << 5 << 3 << 3 << 1;
        QTest::newRow("4 records") << 4 << 1 << 4 << 2;
        QTest::newRow("1300 records, dense") << 1300 << 1 << 1300 << 97;
        QTest::newRow("empty table") << 0 << 1 << 0 << 5;
    }
    void samePixelsAsLiteral()
    {
        QFETCH(int, rows);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, slice);
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
        drawLiterally(literal, state, table);
        QCOMPARE(fast.image(), literal.image());
    }

    // Through the program: "Plot" in the File List, then in the Data List, the range dialog,
    // an empty table, printing.
    void plotInTheProgram()
    {
        SimulatedMeter meter;
        QVERIFY(meter.open());
        Application app(Application::Options { meter.path() });
        QVERIFY(app.start());
        QTest::mouseClick(app.port()->cmdOK(), Qt::LeftButton);
        RecordWindows *windows = app.panel()->findChild<MainToolbarCommands *>()->windows();
        DataPlot *plot = app.dataPlot();
        FileList *fileList = windows->openFileList("File List");
        fill(fileList->model(), 30, 1);
        fileList->runKey("Plot");
        QPointer<ListPlot1> first = plot->window();
        QVERIFY(first && first->isVisible() && plot->fromFileList());
        QCOMPARE(first->size(), QSize(659, 518));
        QCOMPARE(first->pos(), QPoint(app.panel()->frameGeometry().right() + 1, 0));
        QTRY_VERIFY(!first->isDrawing());
        QCOMPARE(first->windowTitle(), ListPlot1::Caption);

        plot->state()->maxC = 30;
        DataList *dataList = windows->openDataList();
        fill(dataList->model(), 250, 2);
        dataList->runKey("Plot");
        QTRY_VERIFY(!first);
        QPointer<ListPlot1> window = plot->window();
        QVERIFY(window && window->isVisible() && plot->fromDataList() && !plot->fromFileList());
        QCOMPARE(scales(*plot->state()), "60 -20 140 -4 100 0 1 250 250");
        QTRY_VERIFY(!window->isDrawing());

        window->resize(100, 100); // both sides spring back to 6000 x 5865 twips
        QTRY_COMPARE(window->frameGeometry().size(), QSize(400, 391));
        QCOMPARE(plot->state()->width, 270.f);

        window->limitButton()->trigger();
        PlotRange *range = plot->rangeDialog();
        QVERIFY(range && range->isVisible() && range->optCelsius()->isChecked());
        QCOMPARE(range->txtFrom()->text() + "|" + range->txtTo()->text() + "|"
                     + range->txtMax()->text() + "|" + range->txtMinR()->text(),
                 "1|250|60|0");
        for (QLineEdit *box : { range->txtFrom(), range->txtMinR(), range->txtMin() })
            box->clear(), QTest::keyClicks(box, "-1.5a");
        QCOMPARE(range->txtFrom()->text() + "|" + range->txtMinR()->text() + "|"
                     + range->txtMin()->text(),
                 "15|1.5|-1.5");
        range->txtTo()->setText("300");
        range->cmdOk()->click();
        auto *box = range->findChild<QMessageBox *>();
        QVERIFY(box && box->isVisible() && box->icon() == QMessageBox::Critical);
        QCOMPARE(box->text(), "1 <= From <= 250, try again!");
        box->accept();
        range->txtTo()->setText("40");
        range->cmdOk()->click();
        QTRY_VERIFY(!plot->rangeDialog());
        QVERIFY(!window && plot->window()->isVisible());
        QCOMPARE(plot->window()->size(), QSize(659, 518));
        QCOMPARE(scales(*plot->state()), "60 -1.5 140 29.3 100 1.5 15 40 26");

        // A box that is not a number hides the plot; "Plot" shows it again, reset.
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

        QTemporaryDir dir;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("plot.pdf"));
        QVERIFY(window->printTo(&printer));
        QFile pdf(dir.filePath("plot.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.readAll().startsWith("%PDF"));
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
        QTest::newRow("plot") << "" << 0 << "";
        QTest::newRow("span and scales")
            << "--from 2 --to 9 --fahrenheit 32,100 --rh 10,90" << 0 << "";
        QTest::newRow("Celsius refused") << "--celsius -25,60" << 1 << Check::CelsiusMessage;
        QTest::newRow("humidity refused") << "--rh -1,50" << 1 << Check::HumidityMessage;
        QTest::newRow("span refused") << "--to 11" << 1 << "1 <= From <= 10, try again!";
        QTest::newRow("scales before span")
            << "--celsius 0,0 --to 11" << 1 << Check::CelsiusMessage;
        QTest::newRow("size too small") << "--size 300x300" << 1 << "at least 400x391";
        QTest::newRow("size malformed") << "--size big" << 2 << "WIDTHxHEIGHT";
        QTest::newRow("no such file") << "--file" << 1 << "plot: ";
    }
    void command()
    {
        QFETCH(QString, options);
        QTemporaryDir dir;
        RecordTableModel table;
        fill(&table, 10, 3);
        QFile data(dir.filePath("data.txt"));
        QVERIFY(data.open(QIODevice::WriteOnly));
        for (int r = 1; r <= 10; ++r)
            data.write(table.rowCells(r).join('\t').toUtf8() + "\r\n");
        data.close();
        const QString file = options == "--file" ? dir.filePath("none.txt") : data.fileName();
        QStringList args { "plot", file, "--png", dir.filePath("out.png") };
        if (options != "--file")
            args << options.split(' ', Qt::SkipEmptyParts);
        test::CommandRun run(args);
        QTEST(run.code, "code");
        QFETCH(QString, err);
        QVERIFY2(err.isEmpty() ? run.err().isEmpty() : run.err().contains(err),
                 qPrintable(run.err()));
        const QImage png(dir.filePath("out.png"));
        QCOMPARE(png.size(), run.code == 0 ? QSize(659, 518) : QSize(0, 0));
        if (options.isEmpty()) { // what the window draws of the same table
            State state;
            state.spanWholeTable(10);
            DrawingSurface surface(PlotPainter::font(), PlotPainter::backColor());
            surface.setImageSize(QSize(659, 518));
            QCOMPARE(PlotPainter(&surface, &state).drawAll(&table),
                     PlotPainter::Progress::Finished);
            QCOMPARE(png.convertToFormat(QImage::Format_RGB32), surface.image());
        }
    }
};

QTEST_MAIN(TestPlot)
#include "tst_plot.moc"
