#pragma once

#include "summary/SummaryFigures.h"

#include <QString>

#include <optional>

namespace dewscope {

// What the live alarms watch: the same limits as a summary (a value equal to a limit is inside),
// the delay an excursion must last before it alarms, the hysteresis an alarm must fall back by
// before it ends, and the silence after which a quiet meter alarms.
struct AlarmSettings
{
    static constexpr double DefaultHysteresisC = 0.5;
    static constexpr double DefaultHysteresisF = 0.9;
    static constexpr double DefaultHysteresisRh = 2.0;
    static constexpr double DefaultSilenceDelay = 60;
    static constexpr double MaxDelay = 86400;

    SummaryLimits temperature; // in °C, or °F when fahrenheit
    bool fahrenheit = false;
    SummaryLimits humidity;
    double delay = 0; // seconds
    std::optional<double> temperatureHysteresis; // the unit's default when not given
    double humidityHysteresis = DefaultHysteresisRh;
    double silenceDelay = DefaultSilenceDelay; // seconds; 0 watches no silence

    double temperatureHysteresisValue() const
    {
        return temperatureHysteresis.value_or(fahrenheit ? DefaultHysteresisF : DefaultHysteresisC);
    }
    QString temperatureUnit() const;
    bool watchesAnything() const
    {
        return temperature.isSet() || humidity.isSet() || silenceDelay > 0;
    }

    // Why these settings cannot be used (a low limit above the high one, a hysteresis of half
    // the span or more, a negative time), or empty when they can.
    QString problem() const;
};

} // namespace dewscope
