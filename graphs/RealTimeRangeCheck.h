#pragma once

#include <QLocale>
#include <QString>

namespace dewscope {

struct RealTimeGraphState;

// The checks and storage of the real-time graph's range dialog. Each group (temperature,
// humidity, counts) is checked on the leading number of its boxes ("." decimal mark) and stored,
// as soon as it passes, from the boxes' whole texts read by the locale's number parsing.
class RealTimeRangeCheck
{
public:
    enum class Unit { None, Celsius, Fahrenheit }; // None reads the boxes as Fahrenheit
    enum class Outcome { Applied, Rejected, ConversionFailed };

    static const QString CelsiusMessage;
    static const QString FahrenheitMessage;
    static const QString HumidityMessage;
    static const QString CountsMessage;
    static constexpr double MinimumCounts = 10;
    static constexpr double MaximumCounts = 864000;

    struct Input
    {
        Unit unit = Unit::Celsius;
        QString max, min; // temperature scale in the chosen unit
        QString maxRH, minRH;
        QString counts; // ticks per sweep
    };

    struct Result
    {
        Outcome outcome = Outcome::Applied;
        QString message; // the refusal when Rejected
    };

    // Checks and stores the groups in order; on Applied the step is the last laid-out width
    // divided by the counts. Groups stored before a refusal or a conversion failure stay.
    static Result apply(const Input &input, RealTimeGraphState *state,
                        const QLocale &locale = QLocale());
};

} // namespace dewscope
