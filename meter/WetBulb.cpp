#include "meter/WetBulb.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// How findWetBulb gets the walk's result without taking every step
// ------------------------------------------------------------------
// The walk's next Tw depends only on the present Tw (t and e are fixed), so its whole course is
// the orbit of one map. The search reproduces that orbit exactly and only skips evaluations
// whose outcome is known in advance.
//
// 1. Where Tw stands after k steps in one direction. Within one binade [2^p, 2^(p+1)) of |Tw|
//    all doubles lie on a grid of spacing 2^(p-52), so adding or subtracting the double 0.01
//    rounds to "the same whole number of grid units" every time, as long as the exact sum stays
//    in the binade and 0.01 is not exactly half-way between two grid multiples (round-half-even
//    would then depend on the last bit; 0.01 is an odd multiple of 2^-59, so this happens only
//    on the grid 2^-58, for |Tw| in [2^-6, 2^-5)). jump() adds that whole number of units as
//    many times as the binade has room for, in integer arithmetic on the mantissa, and takes
//    the step across a binade edge, steps in the tie binade and steps near zero literally, so
//    it gives the very double that repeated additions give. A run remembers where it stepped
//    literally (StepTrack), so the state k steps on is one jump from a remembered state.
//
// 2. Which states are passed without stopping. Let D(Tw) be the mismatch in exact arithmetic
//    and d its computed value; |d - D| <= delta, where delta follows from the rounding of each
//    operation (a few units in the last place of ew·(|exponent| + 1), of the psychrometer term,
//    of e; about four times the largest error seen against extended precision) and is bounded
//    over a whole interval from its ends. E(Tw) = ew(Tw) + A·(Tw - t)·
//    (1 + 0.00115·Tw) is convex for -243.5 < Tw < 1907 (ew is convex there, the psychrometer
//    term is a parabola opening upwards), so D = e - E is concave there: on an interval its
//    minimum is at one end. E is increasing wherever A·(1 + 0.00115·(2Tw - t)) > 0 (ew is
//    always increasing), or on a convex stretch whose left end has E' > 0. So:
//    - walking up (d > 0.05 keeps the walk going up): if both ends of an interval have
//      d > 0.05 + 2·delta and D is concave or monotone on it, every state inside has d > 0.05;
//    - walking down (d < -0.05 keeps it going down): if D is monotone on the interval and both
//      ends have d < -0.05 - 2·delta, every state inside has d < -0.05.
//    Such states neither stop the walk nor turn it; the walk passes them one step each. A
//    galloping search with interpolation finds the longest interval that can be vouched for
//    this way; the state after it is evaluated literally like any other. Where the bound cannot
//    be shown (too close to the band, near -243.5, a turning E) the search falls back to literal
//    steps, so the result never rests on an assumption about the data.
//
// 3. Turning back. Once d changes sign without landing in the band, Tw swings around the point
//    where d jumps across the band (wet bulbs above about 60 °C, where one step moves d by more
//    than 0.1). Inside a binade x + 0.01 - 0.01 is x again, so the walk is in a cycle of two
//    states; across a binade edge the value after turning back can differ from the one before
//    by a unit in the last place, and the cycle is formed by the new pair. From the turn on
//    the walk is stepped literally with Brent's cycle detection (a repeated Tw, compared bit for
//    bit, repeats everything after it). Once the cycle and its length are known, the state at
//    the step limit follows from the number of steps left modulo the cycle length.

namespace dewscope {

bool operator==(const WetBulbResult &a, const WetBulbResult &b)
{
    return a.outcome == b.outcome && a.steps == b.steps
        && std::memcmp(&a.wetBulb, &b.wetBulb, sizeof(double)) == 0;
}

// Kept out of line so that the walk and the search evaluate d with the very same code.
__attribute__((noinline)) bool wetBulbMismatch(double t, double e, double tw, double *d)
{
    const double denominator = tw + 243.5;
    if (denominator == 0.0)
        return false;
    const double exponent = 17.67 * tw / denominator;
    if (!std::isfinite(exponent))
        return false;
    const double ew = 6.112 * std::exp(exponent);
    if (!std::isfinite(ew))
        return false;
    const double psychrometer = (t - tw) * 1013.25 * 0.00066 * (1 + 0.00115 * tw);
    const double mismatch = e - (ew - psychrometer);
    if (!std::isfinite(mismatch))
        return false;
    *d = mismatch;
    return true;
}

WetBulbResult walkWetBulb(double t, double e)
{
    WetBulbResult result;
    double tw = 0.0;
    for (;;) {
        double d = 0.0;
        if (!wetBulbMismatch(t, e, tw, &d)) {
            result.outcome = WetBulbResult::Outcome::ArithmeticError;
            result.wetBulb = tw;
            return result;
        }
        if (d > 0)
            tw = tw + WetBulbStep;
        else
            tw = tw - WetBulbStep;
        ++result.steps;
        if (std::fabs(d) <= WetBulbTolerance) {
            result.outcome = WetBulbResult::Outcome::Converged;
            result.wetBulb = tw;
            return result;
        }
        if (result.steps >= WetBulbStepLimit) {
            result.outcome = WetBulbResult::Outcome::StepLimit;
            result.wetBulb = tw;
            return result;
        }
    }
}

namespace {

inline double stepOnce(double tw, bool up)
{
    return up ? tw + WetBulbStep : tw - WetBulbStep;
}

constexpr quint64 mantissaMask = (quint64(1) << 52) - 1;
constexpr qint64 binadeBottom = qint64(1) << 52; // grid units at a binade's start
constexpr qint64 binadeTop = qint64(1) << 53; // grid units at the next binade's start
// Near zero the binades are narrower than a step, far out (never reached from 0 within the step
// limit) a step is under a grid unit: both are stepped literally.
constexpr int firstRegularExponent = 1023 - 10; // |Tw| >= 2^-10
constexpr int lastRegularExponent = 1023 + 39; // |Tw| < 2^40

// For each binade (by biased exponent), the step of 0.01 in whole grid units; 0 where steps
// are taken literally (outside the range above, or 0.01 a tie between two grid points).
struct StepUnits
{
    qint64 units[2048] = {};

    StepUnits()
    {
        for (int biased = firstRegularExponent; biased <= lastRegularExponent; ++biased) {
            const double exact = std::ldexp(WetBulbStep, 1075 - biased); // 0.01 / grid spacing
            const double whole = std::floor(exact);
            const double fraction = exact - whole;
            if (fraction != 0.5)
                units[biased] = qint64(fraction < 0.5 ? whole : whole + 1);
        }
    }
};

const StepUnits &stepUnits()
{
    static const StepUnits table;
    return table;
}

// Moves tw by at most `steps` (>= 1) steps in one direction: either one literal step, or as
// many whole-unit steps as stay inside tw's binade with room to spare. Returns the steps taken.
qint64 jump(double *tw, bool up, qint64 steps, bool *literal)
{
    quint64 bits;
    std::memcpy(&bits, tw, sizeof bits);
    const int biased = int((bits >> 52) & 0x7ff);
    const qint64 unitStep = stepUnits().units[biased];
    if (unitStep != 0) {
        const qint64 units = qint64((bits & mantissaMask) | (quint64(1) << 52));
        const bool awayFromZero = ((bits >> 63) == 0) == up;
        // Steps whose exact result stays inside the binade by more than half a unit, so that
        // each rounds to exactly unitStep units.
        const qint64 room = awayFromZero ? (binadeTop - 1 - units) / unitStep
                                         : (units - binadeBottom - 1) / unitStep;
        if (room > 0) {
            const qint64 taken = std::min(room, steps);
            const qint64 moved = awayFromZero ? units + taken * unitStep : units - taken * unitStep;
            bits = (bits & ~mantissaMask) | (quint64(moved) & mantissaMask);
            std::memcpy(tw, &bits, sizeof bits);
            *literal = false;
            return taken;
        }
    }
    *tw = stepOnce(*tw, up);
    *literal = true;
    return 1;
}

// The states of one run of steps in one direction from tw0. Remembers where the run stepped
// literally (at binade edges) so that any later state is one jump from a remembered one.
class StepTrack
{
public:
    StepTrack(double tw0, bool up)
        : m_up(up)
    {
        m_marks[0] = { 0, tw0 };
    }

    double at(qint64 index)
    {
        int mark = m_count - 1;
        while (m_marks[mark].index > index)
            --mark;
        qint64 reached = m_marks[mark].index;
        double tw = m_marks[mark].tw;
        while (reached < index) {
            bool literal = false;
            reached += jump(&tw, m_up, index - reached, &literal);
            if (literal && reached > m_marks[m_count - 1].index && m_count < MaxMarks)
                m_marks[m_count++] = { reached, tw };
        }
        return tw;
    }

private:
    struct Mark
    {
        qint64 index;
        double tw;
    };
    static constexpr int MaxMarks = 128;

    const bool m_up;
    Mark m_marks[MaxMarks];
    int m_count = 1;
};

} // namespace

double wetBulbAfterSteps(double tw, bool up, qint64 steps)
{
    while (steps > 0) {
        bool literal = false;
        steps -= jump(&tw, up, steps, &literal);
    }
    return tw;
}

namespace {

constexpr double unitRoundoff = 0x1p-53;
constexpr double magnusOffset = 243.5;
constexpr double magnusProduct = 17.67 * 243.5;
constexpr double psychrometerFactor = 1013.25 * 0.00066;
// ew'' has the sign of 17.67·243.5 - 2·(Tw + 243.5): ew is convex below Tw ≈ 1907.8.
constexpr double convexLimit = 1900.0;

// E'(Tw), the slope of the evaluated side of the psychrometer equation, with a margin that
// covers its own rounding; returns +1 or -1 where the sign is certain, 0 otherwise.
int slopeSign(double t, double tw)
{
    const double u = tw + magnusOffset;
    const double ew = 6.112 * std::exp(17.67 * tw / u);
    const double ewSlope = ew * magnusProduct / (u * u);
    const double psychrometerSlope = psychrometerFactor * (1 + 0.00115 * (2 * tw - t));
    const double slope = ewSlope + psychrometerSlope;
    const double margin = 1e-9
        * (ewSlope + psychrometerFactor * (1 + 0.00115 * (2 * std::fabs(tw) + std::fabs(t))));
    if (!std::isfinite(slope) || !std::isfinite(margin))
        return 0;
    if (slope > margin)
        return 1;
    if (slope < -margin)
        return -1;
    return 0;
}

// One run of the walk in a fixed direction, from a state already known to keep it going.
class Run
{
public:
    Run(double t, double e, double tw0, double d0, bool up)
        : m_t(t)
        , m_e(e)
        , m_tw0(tw0)
        , m_d0(d0)
        , m_up(up)
    {
    }

    // The number M >= 1 of states s0..s(M-1) from tw0 onwards, at most maxStates, that are
    // shown to keep the walk going in its direction; *next is set to the state sM after them.
    qint64 certifiedStates(qint64 maxStates, double *next);

private:
    bool vouches(double tw, double d);
    bool risingOn(double lo, double hi);
    bool fallingOn(double hi);
    double errorBound(double lo, double hi, double dHi) const;

    const double m_t;
    const double m_e;
    const double m_tw0;
    const double m_d0;
    const bool m_up;
};

// A bound on |computed d - exact D| for every Tw in [lo, hi] (lo > -243.5), given the computed
// d at hi. Generous by a factor of about two over the sum of the operations' rounding errors.
double Run::errorBound(double lo, double hi, double dHi) const
{
    const double reach = std::max(std::fabs(lo), std::fabs(hi));
    // |P| = |t - Tw|·A·|1 + 0.00115·Tw| over the interval
    const double psychrometer
        = (std::fabs(m_t) + reach) * psychrometerFactor * (1 + 0.00115 * reach) * 1.000001;
    // ew is increasing; at hi it is e - d + P up to the rounding of d, at or below 0 it is < 6.112
    double ew = 6.112;
    if (hi > 0)
        ew = (std::fabs(m_e - dHi) + psychrometer) * 1.000001
            + 4 * unitRoundoff * (std::fabs(m_e) + std::fabs(dHi));
    // ew·|exponent|: below 0 at most 6.112/e (y·exp(-y) <= 1/e), above 0 the exponent is < 17.67
    const double ewTimesExponent = 2.25 + (hi > 0 ? 17.67 * ew : 0.0);
    return 2 * unitRoundoff
        * (4 * ewTimesExponent + 8 * ew + 12 * psychrometer + 2 * std::fabs(m_e))
        + 1e-300;
}

bool Run::risingOn(double lo, double hi)
{
    // ew' > 0 everywhere above -243.5, the psychrometer slope grows with Tw
    if (1 + 0.00115 * (2 * lo - m_t) > 1e-9)
        return true;
    return hi < convexLimit && slopeSign(m_t, lo) > 0; // E' grows on a convex stretch
}

bool Run::fallingOn(double hi)
{
    return hi < convexLimit && slopeSign(m_t, hi) < 0;
}

// Whether every state from tw0 to tw (the one reached after some steps, with computed d)
// keeps the walk going.
bool Run::vouches(double tw, double d)
{
    const double lo = std::min(m_tw0, tw);
    const double hi = std::max(m_tw0, tw);
    if (!(lo > -magnusOffset))
        return false;
    const double dHi = tw > m_tw0 ? d : m_d0;
    const double delta = errorBound(lo, hi, dHi);
    if (!std::isfinite(delta))
        return false;
    if (m_up) {
        if (!(std::min(m_d0, d) - 2 * delta > WetBulbTolerance))
            return false;
        return hi < convexLimit || risingOn(lo, hi) || fallingOn(hi);
    }
    if (!(std::max(m_d0, d) + 2 * delta < -WetBulbTolerance))
        return false;
    return risingOn(lo, hi) || fallingOn(hi);
}

qint64 Run::certifiedStates(qint64 maxStates, double *next)
{
    StepTrack track(m_tw0, m_up);
    const qint64 lastIndex = maxStates - 1;
    if (lastIndex < 1) {
        *next = track.at(1);
        return 1;
    }

    // First guess from the local slope of d: where the tangent meets the band.
    qint64 guess = 1;
    {
        const double psychrometer = (m_t - m_tw0) * psychrometerFactor * (1 + 0.00115 * m_tw0);
        const double ew = m_e - m_d0 + psychrometer;
        const double u = m_tw0 + magnusOffset;
        const double slope
            = ew * magnusProduct / (u * u) + psychrometerFactor * (1 + 0.00115 * (2 * m_tw0 - m_t));
        const double perStep = (m_up ? -slope : slope) * WetBulbStep; // change of d per step
        const double distance = m_up ? m_d0 - WetBulbTolerance : -WetBulbTolerance - m_d0;
        if (std::isfinite(perStep) && std::isfinite(distance)
            && (m_up ? perStep < 0 : perStep > 0)) {
            const double steps = distance / std::fabs(perStep);
            if (steps >= 1)
                guess = steps < double(lastIndex) ? qint64(steps) : lastIndex;
        }
    }

    qint64 good = 0; // index of the farthest state vouched for so far
    double goodD = m_d0;
    qint64 bad = -1; // index of a state that could not be vouched for
    double badD = 0.0;
    bool badDKnown = false;

    auto probe = [&](qint64 index, double *tw, double *d) {
        *tw = track.at(index);
        return wetBulbMismatch(m_t, m_e, *tw, d);
    };

    // Gallop outwards from the guess until a state cannot be vouched for.
    qint64 index = std::clamp<qint64>(guess, 1, lastIndex);
    for (;;) {
        double tw = 0.0;
        double d = 0.0;
        const bool evaluated = probe(index, &tw, &d);
        if (evaluated && vouches(tw, d)) {
            const qint64 stride = index - good;
            good = index;
            goodD = d;
            if (good == lastIndex) {
                *next = track.at(maxStates);
                return maxStates;
            }
            index = good + std::min(2 * stride, lastIndex - good);
        } else {
            bad = index;
            badDKnown = evaluated;
            badD = d;
            break;
        }
    }

    // Narrow [good, bad) by interpolating d towards the band edge, halving when that is slow.
    const double edge = m_up ? WetBulbTolerance : -WetBulbTolerance;
    bool bisectNext = false;
    while (bad - good > 1) {
        qint64 next = good + (bad - good) / 2;
        if (!bisectNext && badDKnown && goodD != badD) {
            const double fraction = (goodD - edge) / (goodD - badD);
            if (fraction > 0 && fraction < 1)
                next = good + qint64(fraction * double(bad - good));
        }
        next = std::clamp(next, good + 1, bad - 1);
        const qint64 width = bad - good;
        double tw = 0.0;
        double d = 0.0;
        const bool evaluated = probe(next, &tw, &d);
        if (evaluated && vouches(tw, d)) {
            good = next;
            goodD = d;
        } else {
            bad = next;
            badDKnown = evaluated;
            badD = d;
        }
        bisectNext = 4 * (bad - good) > 3 * width;
    }
    *next = track.at(good + 1);
    return good + 1;
}

WetBulbResult finish(WetBulbResult::Outcome outcome, double tw, qint64 steps)
{
    WetBulbResult result;
    result.outcome = outcome;
    result.wetBulb = tw;
    result.steps = steps;
    return result;
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof(double)) == 0;
}

// The walk after it has turned: literal steps, with Brent's detection of the cycle it falls
// into, so that a swing is not followed to the step limit.
WetBulbResult swing(double t, double e, double tw, qint64 steps)
{
    // One literal step; returns true when the walk ends there.
    WetBulbResult result;
    auto advance = [&](double *state) {
        double d = 0.0;
        if (!wetBulbMismatch(t, e, *state, &d)) {
            result = finish(WetBulbResult::Outcome::ArithmeticError, *state, steps);
            return true;
        }
        *state = stepOnce(*state, d > 0);
        ++steps;
        if (std::fabs(d) <= WetBulbTolerance) {
            result = finish(WetBulbResult::Outcome::Converged, *state, steps);
            return true;
        }
        if (steps >= WetBulbStepLimit) {
            result = finish(WetBulbResult::Outcome::StepLimit, *state, steps);
            return true;
        }
        return false;
    };

    double tortoise = tw;
    double hare = tw;
    if (advance(&hare))
        return result;
    qint64 power = 1;
    qint64 length = 1;
    while (!sameBits(tortoise, hare)) {
        if (power == length) {
            tortoise = hare;
            power *= 2;
            length = 0;
        }
        if (advance(&hare))
            return result;
        ++length;
    }
    // Every state of the cycle has been evaluated and none ends the walk: it goes round until
    // the step limit. Whole turns return to this state, so only the remainder is walked.
    for (qint64 remainder = (WetBulbStepLimit - steps) % length; remainder > 0; --remainder) {
        double d = 0.0;
        wetBulbMismatch(t, e, hare, &d); // evaluated before, so it succeeds
        hare = stepOnce(hare, d > 0);
    }
    return finish(WetBulbResult::Outcome::StepLimit, hare, WetBulbStepLimit);
}

} // namespace

WetBulbResult findWetBulb(double t, double e)
{
    double tw = 0.0;
    qint64 steps = 0;
    bool lastUp = false;
    for (;;) {
        double d = 0.0;
        if (!wetBulbMismatch(t, e, tw, &d))
            return finish(WetBulbResult::Outcome::ArithmeticError, tw, steps);
        const bool up = d > 0;
        if (steps > 0 && up != lastUp)
            break; // the walk turns back: from here on it swings
        if (std::fabs(d) <= WetBulbTolerance)
            return finish(WetBulbResult::Outcome::Converged, stepOnce(tw, up), steps + 1);
        // tw keeps the walk going: skip the states after it that are sure to do the same.
        steps += Run(t, e, tw, d, up).certifiedStates(WetBulbStepLimit - steps, &tw);
        if (steps >= WetBulbStepLimit)
            return finish(WetBulbResult::Outcome::StepLimit, tw, steps);
        lastUp = up;
    }
    return swing(t, e, tw, steps);
}

} // namespace dewscope
