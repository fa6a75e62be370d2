#include "meter/Psychrometrics.h"
#include "meter/WetBulb.h"

#include <QtTest>
#include <cmath>

using namespace dewscope;

namespace {

using Points = QList<QPair<double, double>>; // air temperature t, vapour pressure e

// The whole result, the wet bulb with all its digits.
QByteArray describe(const WetBulbResult &r)
{
    static const char *const names[] = { "Converged", "ArithmeticError", "StepLimit" };
    return QByteArray(names[int(r.outcome)]) + " wetBulb=" + QByteArray::number(r.wetBulb, 'g', 17)
        + " steps=" + QByteArray::number(r.steps);
}

// The vapour pressure for which the psychrometer equation balances exactly at Tw = tw: the walk
// then ends, or swings, right around tw.
double balancedAt(double t, double tw)
{
    const double ew = 6.112 * std::exp(17.67 * tw / (tw + 243.5));
    return ew - (t - tw) * 1013.25 * 0.00066 * (1 + 0.00115 * tw);
}

// Adds the air of a reading, where its vapour pressure has a finite, positive value.
void addReading(Points &points, double t, double rh)
{
    double e = 0.0;
    if (vapourPressure(t, rh, &e))
        points.append({ t, e });
}

} // namespace

// The fast wet-bulb search must give the literal walk's result bit for bit: the same outcome,
// the same wet bulb to the last binary digit, the same step count.
class TestWetBulb : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void searchMatchesWalk_data()
    {
        QTest::addColumn<Points>("points");

        // Worked examples: 25 °C 50 % settles at 17.98 after 1798 steps, 120 °C 50 % swings to the
        // step limit.
        Points examples;
        for (const auto &[t, rh] : { std::pair { 25.0, 50.0 }, { -5.0, 60.0 }, { 120.0, 50.0 } })
            addReading(examples, t, rh);
        QTest::newRow("worked examples") << examples;

        // Walks that end or swing right at the edges of binades, where one step of 0.01 is not the
        // same number of units in the last place on both sides; 2^-6 .. 2^-5 is the binade where
        // 0.01 is a tie between two grid points. The vapour pressure is chosen so that d crosses
        // zero, or the edge of the band the walk stops in, at Tw. Above 60 °C these walks swing
        // across the binade edge, and the value the walk comes back to need not be the one it left.
        Points edges;
        for (int p = -6; p <= 8; ++p) {
            const double edge = std::ldexp(1.0, p);
            for (double offset :
                 { -0.02, -0.01, -0.006, -0.005, -0.004, -0.001, 0.0, 0.001, 0.005 }) {
                const double up = edge + offset;
                const double down = -edge + offset;
                for (double band : { 0.0, WetBulbTolerance }) {
                    edges.append({ up + 5, balancedAt(up + 5, up) + band });
                    if (edge >= 16)
                        edges.append({ up + 40, balancedAt(up + 40, up) + band });
                    if (edge <= 128)
                        edges.append({ down - 5, balancedAt(down - 5, down) - band });
                }
            }
        }
        QTest::newRow("binade edges") << edges;

        // Readings the meter can send (in tenths) whose walk swings across 64, 128, ..., 1024: the
        // value it comes back to is a unit in the last place away from the one it left.
        Points straddling;
        const int straddlingReadings[][2]
            = { { 625, 1076 },   { 661, 904 },    { 600, 13652 },  { 601, 13588 },
                { 1337, 16362 }, { 2633, 16363 }, { 4520, 16312 }, { 4542, 15997 } };
        for (const auto &reading : straddlingReadings)
            addReading(straddling, reading[0] / 10.0, reading[1] / 10.0);
        QTest::newRow("swings across an edge") << straddling;

        // The pole of the Magnus formula at -243.5 °C: the walk down reaches it and fails there, or
        // settles just above it; a negative e runs into it from 20 °C.
        QTest::newRow("the pole") << Points { { -250.0, 1e-3 },  { -249.8, 1e306 },
                                              { -243.0, 1e-30 }, { -243.4, 0.5 },
                                              { -243.6, 0.5 },   { 20.0, -5.0 } };

        // Huge humidities: long walks up, through the stretch where the psychrometer term falls, to
        // the step limit at about 2000 °C.
        Points huge { { 1638.3, 6.112 * std::exp(17.67 * 1638.3 / 1881.8) * 0.001 } };
        for (double t : { -1638.3, -1000.0, -249.8, -100.0, 0.0, 25.0, 125.0, 500.0, 1638.3 })
            for (double rh : { 200.0, 1638.3 })
                addReading(huge, t, rh);
        QTest::newRow("huge humidities") << huge;

        // Values the meter cannot send still give the walk's result.
        QTest::newRow("not from the meter")
            << Points { { 25.0, 0.0 },    { 25.0, qQNaN() }, { 25.0, qInf() },
                        { qInf(), 10.0 }, { 25.0, 1e300 },   { 25.0, -1e300 } };

        // Wet bulbs above about 60 °C swing; which of the two values the walk holds at the step
        // limit depends on the parity of the steps taken before the swing. Denser sweeps of every
        // reading the meter can send are the wet-bulb benchmark's.
        Points swinging;
        for (int t = 600; t <= 2000; t += 23)
            for (int rh = 200; rh <= 1000; rh += 80)
                addReading(swinging, t / 10.0, rh / 10.0);
        QTest::newRow("wet bulbs above 60 C: swings") << swinging;
    }

    void searchMatchesWalk()
    {
        QFETCH(Points, points);
        QVERIFY(!points.isEmpty());
        for (const auto &[t, e] : points) {
            const WetBulbResult walk = walkWetBulb(t, e);
            const WetBulbResult found = findWetBulb(t, e);
            if (!(found == walk))
                QFAIL("t=" + QByteArray::number(t, 'g', 17) + " e=" + QByteArray::number(e, 'g', 17)
                      + ": walk " + describe(walk) + ", search " + describe(found));
        }
    }
};

QTEST_APPLESS_MAIN(TestWetBulb)
#include "tst_wetbulb.moc"
