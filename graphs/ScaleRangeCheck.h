#pragma once

#include <QLocale>
#include <QString>

namespace dewscope {

// The temperature and humidity groups that both graphs' range dialogs check and store. A group
// is checked on the leading number of its boxes ("." decimal mark) and stored, as soon as it
// passes, from the boxes' whole texts read by the locale's number parsing.
class ScaleRangeCheck
{
public:
    enum class Outcome { Applied, Rejected, ConversionFailed };

    static const QString CelsiusMessage;
    static const QString FahrenheitMessage;
    static const QString HumidityMessage;

    struct Result
    {
        Outcome outcome = Outcome::Applied;
        QString message; // the refusal when Rejected
    };

    // Checks and stores the temperature scale (in Celsius, or else in Fahrenheit, the other
    // unit converted) and then the humidity scale into any state with the six scale fields.
    template<typename State>
    static Result applyScales(bool celsius, const QString &max, const QString &min,
                              const QString &maxRH, const QString &minRH, State *state,
                              const QLocale &locale)
    {
        float top = 0;
        float bottom = 0;
        if (celsius) {
            if (!withinLimits(max, min, -20, 60))
                return { Outcome::Rejected, CelsiusMessage };
            if (!stored(locale, max, &top))
                return conversionFailed();
            state->maxC = top;
            if (!stored(locale, min, &bottom))
                return conversionFailed();
            state->minC = bottom;
            state->maxF = state->maxC * 9 / 5 + 32;
            state->minF = state->minC * 9 / 5 + 32;
        } else {
            if (!withinLimits(max, min, -4, 140))
                return { Outcome::Rejected, FahrenheitMessage };
            if (!stored(locale, max, &top))
                return conversionFailed();
            state->maxF = top;
            if (!stored(locale, min, &bottom))
                return conversionFailed();
            state->minF = bottom;
            state->maxC = roundToTenth((double(state->maxF) - 32) * 5 / 9);
            state->minC = roundToTenth((double(state->minF) - 32) * 5 / 9);
        }
        if (!withinLimits(maxRH, minRH, 0, 100))
            return { Outcome::Rejected, HumidityMessage };
        if (!stored(locale, maxRH, &top))
            return conversionFailed();
        state->maxRH = top;
        if (!stored(locale, minRH, &bottom))
            return conversionFailed();
        state->minRH = bottom;
        return {};
    }

protected:
    // A pair of boxes passes when max > min and both lie within the limits.
    static bool withinLimits(const QString &max, const QString &min, double lower, double upper);
    // The whole text as a number in the locale's form; false when it is not one.
    static bool stored(const QLocale &locale, const QString &text, float *value);
    // One decimal place, halves to the even neighbour.
    static float roundToTenth(double value);
    static Result conversionFailed() { return { Outcome::ConversionFailed, QString() }; }
};

} // namespace dewscope
