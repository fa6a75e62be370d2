#include "meter/WetBulb.h"

#include <cmath>
#include <cstring>

namespace hygrolog {

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

WetBulbResult findWetBulb(double t, double e)
{
    return walkWetBulb(t, e);
}

} // namespace hygrolog
