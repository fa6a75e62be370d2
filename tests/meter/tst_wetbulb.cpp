#include "meter/Psychrometrics.h"
#include "meter/WetBulb.h"

#include <QtTest>
#include <cmath>

using namespace hygrolog;

Q_DECLARE_METATYPE(hygrolog::WetBulbResult::Outcome)

namespace hygrolog {
// Failure messages show the whole result, the wet bulb with all its digits.
char *toString(const WetBulbResult &r)
{
    static const char *const names[] = { "Converged", "ArithmeticError", "StepLimit" };
    return qstrdup(QByteArray(names[int(r.outcome)])
                   + " wetBulb=" + QByteArray::number(r.wetBulb, 'g', 17)
                   + " steps=" + QByteArray::number(r.steps));
}
} // namespace hygrolog

namespace {

// The vapour pressure for which the psychrometer equation balances exactly at Tw = tw: the walk
// then ends, or swings, right around tw.
double balancedAt(double t, double tw)
{
    const double ew = 6.112 * std::exp(17.67 * tw / (tw + 243.5));
    return ew - (t - tw) * 1013.25 * 0.00066 * (1 + 0.00115 * tw);
}

QString describe(double t, double e, const WetBulbResult &walk, const WetBulbResult &found)
{
    return QStringLiteral("t=%1 e=%2: walk %3, search %4")
        .arg(t, 0, 'g', 17)
        .arg(e, 0, 'g', 17)
        .arg(QString::fromLatin1(QScopedArrayPointer<char>(toString(walk)).data()))
        .arg(QString::fromLatin1(QScopedArrayPointer<char>(toString(found)).data()));
}

} // namespace

class TestWetBulb : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExamples_data();
    void workedExamples();
    void hardPlaces_data();
    void hardPlaces();
    void grids_data();
    void grids();
    void stepsInOneDirection_data();
    void stepsInOneDirection();
};

void TestWetBulb::workedExamples_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<double>("rh");
    QTest::addColumn<WetBulbResult::Outcome>("outcome");
    QTest::addColumn<double>("wetBulb");
    QTest::addColumn<qint64>("steps");

    const auto converged = WetBulbResult::Outcome::Converged;
    QTest::newRow("25 C 50 %") << 25.0 << 50.0 << converged << 17.98 << qint64(1798);
    QTest::newRow("20 C 80 %") << 20.0 << 80.0 << converged << 17.70 << qint64(1770);
    QTest::newRow("-5 C 60 %") << -5.0 << 60.0 << converged << -6.71 << qint64(671);
    QTest::newRow("120 C 50 % swings")
        << 120.0 << 50.0 << WetBulbResult::Outcome::StepLimit << qQNaN() << WetBulbStepLimit;
}

void TestWetBulb::workedExamples()
{
    QFETCH(double, t);
    QFETCH(double, rh);
    QFETCH(double, wetBulb);
    double e = 0.0;
    QVERIFY(vapourPressure(t, rh, &e));
    const WetBulbResult found = findWetBulb(t, e);
    QTEST(found.outcome, "outcome");
    QTEST(found.steps, "steps");
    if (!qIsNaN(wetBulb)) // repeated addition of 0.01 leaves a trace in the last digits only
        QVERIFY2(qAbs(found.wetBulb - wetBulb) < 1e-9,
                 QScopedArrayPointer<char>(toString(found)).data());
    QCOMPARE(found, walkWetBulb(t, e));
}

void TestWetBulb::hardPlaces_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<double>("e");

    // Walks that end or swing right at the edges of binades, where one step of 0.01 is not the
    // same number of units in the last place on both sides; 2^-6 .. 2^-5 is the binade where
    // 0.01 is a tie between two grid points. The vapour pressure is chosen so that d crosses
    // zero, or the edge of the band the walk stops in, at Tw. Above 60 °C these walks swing
    // across the binade edge, and the value the walk comes back to need not be the one it left.
    const double offsets[] = { -0.02, -0.01, -0.006, -0.005, -0.004, -0.001, 0.0, 0.001, 0.005 };
    for (int p = -6; p <= 8; ++p) {
        const double edge = std::ldexp(1.0, p);
        for (double offset : offsets) {
            const double up = edge + offset;
            const double down = -edge + offset;
            for (double band : { 0.0, WetBulbTolerance }) {
                QTest::addRow("Tw %g%+g, t = Tw+5, d %g", edge, offset, band)
                    << up + 5 << balancedAt(up + 5, up) + band;
                if (edge >= 16)
                    QTest::addRow("Tw %g%+g, t = Tw+40, d %g", edge, offset, band)
                        << up + 40 << balancedAt(up + 40, up) + band;
                if (edge <= 128)
                    QTest::addRow("Tw -%g%+g, t = Tw-5, d -%g", edge, offset, band)
                        << down - 5 << balancedAt(down - 5, down) - band;
            }
        }
    }

    // Swinging: wet bulbs above about 60 °C; which of the two values the walk holds at the step
    // limit depends on the parity of the steps taken before the swing.
    for (double t = 61.3; t < 200; t += 7.9)
        for (double rh : { 20.0, 50.0, 80.0, 100.0 }) {
            double e = 0.0;
            if (vapourPressure(t, rh, &e))
                QTest::addRow("swing %g C %g %%", t, rh) << t << e;
        }

    // Readings the meter can send (in tenths) whose walk swings across 64, 128, ..., 1024: the
    // value it comes back to is a unit in the last place away from the one it left.
    const int straddling[][2]
        = { { 625, 1076 },   { 661, 904 },    { 600, 13652 },  { 601, 13588 },
            { 1337, 16362 }, { 2633, 16363 }, { 4520, 16312 }, { 4542, 15997 } };
    for (const auto &reading : straddling) {
        double e = 0.0;
        if (vapourPressure(reading[0] / 10.0, reading[1] / 10.0, &e))
            QTest::addRow("swing across an edge, %g C %g %%", reading[0] / 10.0, reading[1] / 10.0)
                << reading[0] / 10.0 << e;
    }

    // The pole of the Magnus formula at -243.5 °C: the walk down reaches it and fails there,
    // or settles just above it.
    QTest::newRow("down into the pole") << -250.0 << 1e-3;
    QTest::newRow("huge e below the pole") << -249.8 << 1e306;
    QTest::newRow("settles near the pole") << -243.0 << 1e-30;
    QTest::newRow("just above the pole") << -243.4 << 0.5;
    QTest::newRow("just below the pole") << -243.6 << 0.5;
    QTest::newRow("negative e runs into the pole") << 20.0 << -5.0;

    // Huge humidities: long walks up, through the stretch where the psychrometer term falls,
    // to the step limit at about 2000 °C.
    for (double t : { -1638.3, -1000.0, -249.8, -100.0, 0.0, 25.0, 125.0, 500.0, 1638.3 })
        for (double rh : { 200.0, 1638.3 }) {
            double e = 0.0;
            if (vapourPressure(t, rh, &e))
                QTest::addRow("%g C %g %%", t, rh) << t << e;
        }
    QTest::newRow("1638.3 C 0.1 %") << 1638.3 << 6.112 * std::exp(17.67 * 1638.3 / 1881.8) * 0.001;

    // Values the meter cannot send still give the walk's result.
    QTest::newRow("e zero") << 25.0 << 0.0;
    QTest::newRow("e NaN") << 25.0 << qQNaN();
    QTest::newRow("e infinite") << 25.0 << qInf();
    QTest::newRow("t infinite") << qInf() << 10.0;
    QTest::newRow("e 1e300") << 25.0 << 1e300;
    QTest::newRow("e -1e300") << 25.0 << -1e300;
}

void TestWetBulb::hardPlaces()
{
    QFETCH(double, t);
    QFETCH(double, e);
    const WetBulbResult walk = walkWetBulb(t, e);
    const WetBulbResult found = findWetBulb(t, e);
    QVERIFY2(found == walk, qPrintable(describe(t, e, walk, found)));
}

void TestWetBulb::grids_data()
{
    // temperature and humidity in tenths, as the meter sends them
    QTest::addColumn<int>("tFrom");
    QTest::addColumn<int>("tTo");
    QTest::addColumn<int>("tStep");
    QTest::addColumn<int>("rhFrom");
    QTest::addColumn<int>("rhTo");
    QTest::addColumn<int>("rhStep");

    QTest::newRow("typical") << -400 << 1250 << 37 << 10 << 1000 << 47;
    QTest::newRow("wet bulbs above 60 C") << 600 << 1600 << 17 << 200 << 1000 << 71;
    QTest::newRow("cold, down to the pole") << -2430 << -400 << 29 << 10 << 16383 << 997;
    QTest::newRow("whole range") << -16383 << 16383 << 997 << 1 << 16383 << 1499;
}

void TestWetBulb::grids()
{
    QFETCH(int, tFrom);
    QFETCH(int, tTo);
    QFETCH(int, tStep);
    QFETCH(int, rhFrom);
    QFETCH(int, rhTo);
    QFETCH(int, rhStep);
    int compared = 0;
    for (int tTenths = tFrom; tTenths <= tTo; tTenths += tStep)
        for (int rhTenths = rhFrom; rhTenths <= rhTo; rhTenths += rhStep) {
            const double t = tTenths / 10.0;
            double e = 0.0;
            if (!vapourPressure(t, rhTenths / 10.0, &e))
                continue;
            const WetBulbResult walk = walkWetBulb(t, e);
            const WetBulbResult found = findWetBulb(t, e);
            QVERIFY2(found == walk, qPrintable(describe(t, e, walk, found)));
            ++compared;
        }
    QVERIFY(compared > 100);
}

void TestWetBulb::stepsInOneDirection_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("count");

    QTest::newRow("up from 0 to the step limit") << 0.0 << true << int(WetBulbStepLimit);
    QTest::newRow("down from 0 to the step limit") << 0.0 << false << int(WetBulbStepLimit);
    QTest::newRow("tie binade, up") << 0.015625 << true << 100;
    QTest::newRow("tie binade, down") << 0.03 << false << 100;
    QTest::newRow("towards zero from above") << 2.005 << false << 1000;
    QTest::newRow("towards zero from below") << -2.005 << true << 1000;
    QTest::newRow("across 64") << 63.995 << true << 5000;
    QTest::newRow("back across 64") << 64.005 << false << 5000;
    QTest::newRow("across -128") << -127.995 << false << 5000;
    QTest::newRow("across 1024") << 1023.9951 << true << 5000;
    // one step above a power of two: the next step lands on it or just below it
    for (int p : { 0, 1, 3, 6, 7, 9, 10 }) {
        const double power = std::ldexp(1.0, p);
        QTest::addRow("down onto %g", power) << power + WetBulbStep << false << 3;
        QTest::addRow("up onto -%g", power) << -power - WetBulbStep << true << 3;
        QTest::addRow("down from %g + 1", power) << power + 1 << false << 200;
    }
    QTest::newRow("off the walk's grid") << 17.123456789 << true << 20000;
}

void TestWetBulb::stepsInOneDirection()
{
    QFETCH(double, start);
    QFETCH(bool, up);
    QFETCH(int, count);
    double tw = start;
    for (int k = 1; k <= count; ++k) {
        tw = up ? tw + WetBulbStep : tw - WetBulbStep;
        const double jumped = wetBulbAfterSteps(start, up, k);
        if (jumped != tw)
            QFAIL(qPrintable(QStringLiteral("after %1 steps: %2, repeated addition %3")
                                 .arg(k)
                                 .arg(jumped, 0, 'g', 17)
                                 .arg(tw, 0, 'g', 17)));
    }
}

QTEST_APPLESS_MAIN(TestWetBulb)
#include "tst_wetbulb.moc"
