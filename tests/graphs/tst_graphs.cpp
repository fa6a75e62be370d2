#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/PortWindow.h"
#include "graphs/DrawingSurface.h"
#include "graphs/LeadingNumber.h"
#include "graphs/RealTimeGraph.h"
#include "graphs/RealTimeGraphWindow.h"
#include "graphs/RealTimeRangeCheck.h"
#include "graphs/RealTimeRangeDialog.h"
#include "tests/common/PdfPage.h"
#include "tests/common/ProgramRig.h"

#include <QPrinter>
#include <QtTest>
#include <QtWidgets>

using namespace dewscope;
using State = RealTimeGraphState;
using Check = RealTimeRangeCheck;

namespace {

const QColor Black(0, 0, 0), Blue(0, 0, 255), Green(0, 255, 0), Red(255, 0, 0), White(Qt::white);

QColor at(const RealTimeGraphWindow &w, int x, int y)
{
    return w.image().pixelColor(x, y);
}

// The scales and step as one list, to 7 significant digits: maxC, minC, maxF, minF, maxRH,
// minRH, step.
QStringList scales(const State &s)
{
    QStringList list;
    for (float v : { s.maxC, s.minC, s.maxF, s.minF, s.maxRH, s.minRH, s.step })
        list << QString::number(v, 'g', 7);
    return list;
}

} // namespace

class TestGraphs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        const QList<QPair<const char *, double>> rows {
            { "37,8", 37 }, { "-OL", 0 },     { "OL", 0 },        { " 12.5 %", 12.5 },
            { ".5", 0.5 },  { "-", 0 },       { "", 0 },          { "1e2", 100 },
            { "7e", 7 },    { "2.3.4", 2.3 }, { "-20.1", -20.1 }, { "90..", 90 }
        };
        for (const auto &[text, number] : rows)
            QTest::newRow(text) << QString::fromLatin1(text) << number;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        QCOMPARE(dewscope::leadingNumber(text), number);
    }

    void timeMark_data()
    {
        QTest::addColumn<float>("x");
        QTest::addColumn<int>("mark"); // 0 none, 1 label, 2 half-way tick
        const QList<QPair<float, int>> rows { { 0, 1 },    { 30, 2 },    { 60, 1 },    { 90, 2 },
                                              { 45, 0 },   { 59.5f, 1 }, { 30.5f, 2 }, { 0.5f, 1 },
                                              { 1.5f, 0 }, { 480, 1 } };
        for (const auto &[x, mark] : rows)
            QTest::newRow(qPrintable(QString::number(x))) << x << mark;
    }
    void timeMark()
    {
        QFETCH(float, x);
        State s;
        s.x = x;
        QTEST(int(s.timeMark()), "mark");
    }

    void rangeCheck_data()
    {
        QTest::addColumn<int>("unit"); // 0 none, 1 Celsius, 2 Fahrenheit
        QTest::addColumn<QStringList>("boxes"); // max, min, max RH, min RH, counts
        QTest::addColumn<QString>("locale"); // the system's, which changes nothing
        QTest::addColumn<int>("outcome"); // 0 applied, 1 rejected, 2 conversion failure
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored"); // maxC minC maxF minF maxRH minRH step
        const char *defaults = "60 -20 140 -4 100 0 1";
        const QString c = Check::CelsiusMessage, f = Check::FahrenheitMessage;
        const QString rh = Check::HumidityMessage, n = Check::CountsMessage;
        auto row = [](const char *name, int unit, const char *boxes, const char *locale,
                      int outcome, const QString &message, const char *stored) {
            QTest::newRow(name) << unit << QString::fromLatin1(boxes).split(QLatin1Char('|'))
                                << QString::fromLatin1(locale) << outcome << message
                                << QString::fromLatin1(stored);
        };
        row("C limits", 1, "60|-20|100|0|510", "C", 0, "", defaults);
        row("C 60.1", 1, "60.1|-20|100|0|510", "C", 1, c, defaults);
        row("C -20.1", 1, "60|-20.1|100|0|510", "C", 1, c, defaults);
        row("C max = min", 1, "30|30|100|0|510", "C", 1, c, defaults);
        row("F limits", 2, "140|-4|100|0|510", "C", 0, "", defaults);
        row("F 100/32", 2, "100|32|90|10|1020", "C", 0, "", "37.8 0 100 32 90 10 0.5");
        row("no unit as F", 0, "100|32|100|0|510", "C", 0, "", "37.8 0 100 32 100 0 1");
        row("F 141", 2, "141|-4|100|0|510", "C", 1, f, defaults);
        row("RH 100.5", 1, "50|0|100.5|0|510", "C", 1, rh, "50 0 122 32 100 0 1");
        row("counts 10", 1, "60|-20|100|0|10", "C", 0, "", "60 -20 140 -4 100 0 51");
        row("counts 864000", 1, "60|-20|100|0|864000", "C", 0, "",
            "60 -20 140 -4 100 0 0.0005902778");
        row("counts 9", 1, "50|0|80|20|9", "C", 1, n, "50 0 122 32 80 20 1");
        row("counts 864001", 1, "60|-20|100|0|864001", "C", 1, n, defaults);
        row("RH not a number", 1, "50|0|90..|0|510", "C", 2, "", "50 0 122 32 100 0 1");
        row("empty max", 1, "|-20|100|0|510", "C", 2, "", defaults);
        row("decimal comma", 1, "37,8|0|100|0|510", "de_DE", 0, "", "37.8 0 100.04 32 100 0 1");
        row("comma past the limit", 1, "60,5|0|100|0|510", "de_DE", 1, c, defaults);
        row("no group separator", 1, "60.000|0|100|0|510", "de_DE", 0, "", "60 0 140 32 100 0 1");
        row("point in a comma locale", 1, "50.5|0|100|0|510", "de_DE", 0, "",
            "50.5 0 122.9 32 100 0 1");
    }
    void rangeCheck()
    {
        QFETCH(int, unit);
        QFETCH(QStringList, boxes);
        QFETCH(QString, locale);
        State s;
        s.layOut(659, 518);
        const Check::Input input { Check::Unit(unit), boxes[0], boxes[1],
                                   boxes[2],          boxes[3], boxes[4] };
        const QLocale system;
        QLocale::setDefault(QLocale(locale));
        const Check::Result result = Check::apply(input, &s);
        QLocale::setDefault(system);
        QTEST(int(result.outcome), "outcome");
        QTEST(result.message, "message");
        QTEST(scales(s).join(' '), "stored");
    }

    // A scripted series of readings on a graph of the opening size, one tick at a time, then
    // the window printed and its print dialog cancelled.
    void sweepPixels()
    {
        SharedState shared;
        State state;
        RealTimeGraphWindow window(&shared, &state, nullptr);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.image().size(), QSize(659, 518));
        QCOMPARE(window.limitButton()->toolTip() + '|' + window.printButton()->toolTip(),
                 "Limit (Ctrl+L)|Print (Ctrl+P)");
        QCOMPARE((QList<float> { state.width, state.bottom, state.height }),
                 (QList<float> { 510, 491, 418 }));
        QCOMPARE(at(window, 117, 300), Black); // y axis, two pixels wide
        for (QPoint p : { QPoint(300, 200), QPoint(300, 73), QPoint(630, 491) })
            QCOMPARE(at(window, p.x(), p.y()), White); // the plot area, its edges included

        Reading &r = shared.reading;
        auto set = [&r](MeterValue t, MeterValue rh, MeterValue wet, MeterValue dew) {
            r.tempC = t, r.rh = rh, r.wetC = wet, r.dewC = dew;
        };
        using V = MeterValue;
        set(V::number(20), V::number(25), V::number(60), V::number(70));
        window.tick(); // x = 0: points noted, no segment; a time label at the left edge
        QCOMPARE(at(window, 120, 282), QColor(192, 192, 192)); // middle grid line, no curve
        QVERIFY(!window.timeLabel().isEmpty());
        bool inked = false; // dark text (smoothed) on the white box under the left edge
        for (int x = 100; x < 140; ++x)
            for (int y = 501; y <= 511; ++y)
                inked = inked || qGray(window.image().pixel(x, y)) < 100;
        QVERIFY(inked);
        window.tick(); // x = 1: one segment per curve
        QCOMPARE(at(window, 120, 282), Black); // both end points
        QCOMPARE(at(window, 121, 282), Black);
        QCOMPARE(at(window, 121, 387), Blue); // 386.5 rounds down the screen
        QCOMPARE(at(window, 121, 73), Green); // the scale's top on the top line
        QCOMPARE(at(window, 121, 68), Red); // above it: RTHeight + 5
        set(V::overload(false), V::overload(true), V::number(60), V::number(0));
        window.tick();
        QCOMPARE(at(window, 122, 68), Black); // "OL"
        QCOMPARE(at(window, 122, 494), Blue); // "-OL"
        window.showMinimized(); // sweeps on; shown as it is once restored
        window.tick();
        window.showNormal();
        QCOMPARE(state.x, 3.f);
        QCOMPARE(at(window, 123, 68), Black);

        // A short sweep: step 30 wraps after 17 ticks; the wrap draws no segment and the erase
        // bar wipes the old sweep ahead of the cursor.
        state.step = 30;
        set(V::number(15), V::number(25), V::number(60),
            V::number(70)); // 15 C: y 308, off the grid
        while (state.x + state.step < state.width)
            window.tick();
        QCOMPARE(at(window, 300, 308), Black);
        set(V::number(0), V::number(25), V::number(60), V::number(70));
        window.tick();
        QCOMPARE(state.x, 0.f);
        for (QPoint p : { QPoint(130, 308), QPoint(122, 68), QPoint(122, 494) })
            QCOMPARE(at(window, p.x(), p.y()), White); // wiped, "OL" and "-OL" rows too
        QCOMPARE(at(window, 160, 308), Black); // still the old sweep
        for (int y = 340; y < 356; ++y)
            QVERIFY(at(window, 360, y) != Black); // no line from the right edge back

        window.resize(100, 100); // springs back to 5355 x 5865 twips, laid out and drawn anew
        QTRY_COMPARE(window.frameGeometry().size(), QSize(357, 391));
        QCOMPARE(window.image().size(), window.size());
        QCOMPARE((QList<float> { state.width, state.bottom, state.height, state.x }),
                 (QList<float> { 210, 360, 287, -30 }));
        QCOMPARE(at(window, 200, 200), White);

        // Printed: a heading, then the image losslessly, 6 dots a pixel (A4 less 24 pt margins
        // at 300 dpi: 2280 dots wide).
        QTemporaryDir dir;
        QPrinter printer;
        printer.setOutputFileName(dir.filePath("graph.pdf"));
        printer.setResolution(300);
        printer.setPageMargins(QMarginsF(24, 24, 24, 24), QPageLayout::Point);
        QVERIFY(window.printTo(&printer));
        QVERIFY(test::pdfText(dir.filePath("graph.pdf"))
                    .startsWith("Real Time Graph: live, "
                                + QDate::currentDate().toString(Qt::ISODate)));
        const QImage page = test::pdfPage(dir.filePath("graph.pdf"), 300), &image = window.image();
        const QColor back = image.pixelColor(0, 0);
        int top = 100; // under the heading, the image's first row
        const int right = 100 + 6 * image.width() - 3;
        while (top < 400
               && (page.pixelColor(103, top) != back || page.pixelColor(right, top) != back))
            ++top;
        int unlike = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                unlike += page.pixel(100 + 6 * x + 3, top + 6 * y + 3) != image.pixel(x, y);
        QCOMPARE(unlike, 0);

        // Cancel: nothing printed, the toolbar back, the image as it was.
        const QImage before = window.image();
        window.printButton()->trigger();
        QVERIFY(window.printDialog() && window.toolbar()->isHidden());
        window.printDialog()->reject();
        QVERIFY(!window.toolbar()->isHidden());
        QCOMPARE(window.image(), before);
    }

    // Through the program: "Graph" opens the graph beside the main window with the default
    // scales; the range dialog checks and restarts it; a silent meter closes it.
    void graphInTheProgram()
    {
        test::ProgramRig rig;
        QVERIFY(rig.startMeter(20, 25));
        rig.ok();
        Application &app = *rig.app;
        RealTimeGraph *graph = app.realTimeGraph();
        graph->state()->maxC = 30;
        app.mainWindow()->runToolbarKey(QStringLiteral("Graph"));
        RealTimeGraphWindow *window = graph->window();
        QVERIFY(window && window->isVisible());
        QCOMPARE(scales(*graph->state()).join(' '), QStringLiteral("60 -20 140 -4 100 0 1"));
        QCOMPARE(window->size(), QSize(659, 518));
        // The frame beside the main window, at the screen's top, as far left as needed to stay
        // on the screen.
        const QRect frame = window->frameGeometry(), free = window->screen()->availableGeometry();
        QCOMPARE(frame.topLeft(),
                 QPoint(qMin(app.mainWindow()->frameGeometry().right() + 1,
                             free.right() + 1 - frame.width()),
                        free.top()));
        QVERIFY(free.contains(frame));
        QCOMPARE(window->sweepTimer()->interval(), 150);
        QTRY_VERIFY(graph->state()->x >= 1); // sweeping

        window->limitButton()->trigger();
        RealTimeRangeDialog *range = graph->rangeDialog();
        QVERIFY(range && range->isVisible() && range->optCelsius()->isChecked());
        QCOMPARE(range->txtMax()->text() + range->txtMin()->text() + range->txtCounts()->text(),
                 QStringLiteral("60-20510"));
        range->txtMax()->clear();
        QTest::keyClicks(range->txtMax(), "a6x");
        QTest::sendKeyEvent(QTest::Click, range->txtMax(), Qt::Key_unknown,
                            QStringLiteral("\u0661"), Qt::NoModifier);
        QTest::keyClicks(range->txtMax(), "0,5");
        QCOMPARE(range->txtMax()->text(), QStringLiteral("60,5")); // read as 60.5
        range->cmdOk()->click();
        auto *box = range->findChild<QMessageBox *>();
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->text(), Check::CelsiusMessage);
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QCOMPARE(box->windowTitle(), QApplication::applicationDisplayName());
        box->accept();
        QVERIFY(range->isVisible());
        range->txtMax()->setText("40");
        range->txtCounts()->setText("1020");
        range->cmdOk()->click();
        QTRY_VERIFY(!graph->rangeDialog());
        QVERIFY(graph->window() != window && graph->window()->isVisible());
        QCOMPARE(graph->state()->step, 0.5f);
        QCOMPARE(graph->state()->maxF, 104.f);

        rig.meter.setSilent(true);
        QTRY_VERIFY_WITH_TIMEOUT(!graph->window(), 8000);
    }
};

QTEST_MAIN(TestGraphs)
#include "tst_graphs.moc"
