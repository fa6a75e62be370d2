#pragma once

#include <QtGlobal>

namespace dewscope {

// The wet-bulb temperature is found by walking Tw from 0 in steps of 0.01 °C (by repeated
// addition) until the psychrometer equation's mismatch d is within 0.05 hPa; the result is one
// step beyond the last Tw tested.
//
// Above a wet bulb of about 60 °C a single step can change d by more than the tolerance band
// and the walk then swings between two values for ever. The walk therefore gives up after
// WetBulbStepLimit steps; that many steps reach 2000 °C, beyond any temperature the meter can
// send, so every walk that settles at all settles before the limit.
struct WetBulbResult
{
    enum class Outcome {
        Converged, // wetBulb holds the result
        ArithmeticError, // an intermediate value had no finite result (log of 0, exp overflow...)
        StepLimit // the walk did not settle; wetBulb holds where it stood
    };

    Outcome outcome = Outcome::ArithmeticError;
    double wetBulb = 0.0;
    qint64 steps = 0; // updates of Tw made, the last one included

    friend bool operator==(const WetBulbResult &a, const WetBulbResult &b);
};

constexpr qint64 WetBulbStepLimit = 200000;
constexpr double WetBulbStep = 0.01;
constexpr double WetBulbTolerance = 0.05;

// The mismatch d = e - E(Tw) of the psychrometer equation at one Tw, for air temperature t (°C)
// and actual vapour pressure e (hPa). Returns false where the arithmetic has no finite result.
bool wetBulbMismatch(double t, double e, double tw, double *d);

// Tw after `steps` updates of 0.01 in one direction (added when up, else subtracted) starting at
// tw: the very double that so many repeated additions give, found without doing each one.
double wetBulbAfterSteps(double tw, bool up, qint64 steps);

// The literal walk, one evaluation per step: the reference.
WetBulbResult walkWetBulb(double t, double e);

// The same result as walkWetBulb, bit for bit, found without visiting every step.
WetBulbResult findWetBulb(double t, double e);

} // namespace dewscope
