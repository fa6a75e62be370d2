#include "graphs/DrawingSurface.h"
#include "graphs/LeadingNumber.h"
#include "graphs/RealTimeGraphState.h"

#include <QtTest>
#include <QtWidgets>

using namespace dewscope;
using State = RealTimeGraphState;


class TestGraphs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout_data()
    {
        QTest::addColumn<int>("clientWidth");
        QTest::addColumn<int>("clientHeight");
        QTest::addColumn<QList<float>>("widthBottomHeight");
        QTest::newRow("opening size") << 659 << 518 << QList<float> { 510, 491, 418 };
        QTest::newRow("one more column") << 660 << 518 << QList<float> { 540, 491, 418 };
        QTest::newRow("spring-back size") << 357 << 391 << QList<float> { 210, 364, 291 };
    }
    void layout()
    {
        QFETCH(int, clientWidth);
        QFETCH(int, clientHeight);
        QFETCH(QList<float>, widthBottomHeight);
        State s;
        s.step = 0.5;
        s.layOut(clientWidth, clientHeight);
        QCOMPARE((QList<float> { s.width, s.bottom, s.height }), widthBottomHeight);
        QCOMPARE(s.x, -0.5f);
        QCOMPARE(s.prevX, 0.f);
    }

    void springBack()
    {
        QCOMPARE(State::springBackWidth(5000), 5355);
        QCOMPARE(State::springBackWidth(9885), 9885);
        QCOMPARE(State::springBackHeight(5864), 5865);
        QCOMPARE(State::twipsToPixels(State::OpeningClientWidthTwips), 659);
        QCOMPARE(State::twipsToPixels(State::OpeningClientHeightTwips), 518);
    }

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

    void curveHeight_data()
    {
        QTest::addColumn<int>("curve");
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("height");
        QTest::newRow("20.0 C at half") << 0 << "20.0" << 209.f;
        QTest::newRow("25.0 % at a quarter") << 1 << "25.0" << 104.5f;
        QTest::newRow("top on the top line") << 2 << "60.0" << 418.f;
        QTest::newRow("above the top") << 3 << "60.1" << 423.f;
        QTest::newRow("OL") << 0 << "OL" << 423.f;
        QTest::newRow("-OL") << 1 << "-OL" << -3.f;
        QTest::newRow("below the bottom") << 0 << "-20.1" << -3.f;
        QTest::newRow("humidity top") << 1 << "100.0" << 418.f;
    }
    void curveHeight()
    {
        QFETCH(int, curve);
        QFETCH(QString, text);
        State s;
        s.layOut(659, 518);
        QTEST(s.curveHeight(State::Curve(curve), text), "height");
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
};

QTEST_MAIN(TestGraphs)
#include "tst_graphs.moc"
