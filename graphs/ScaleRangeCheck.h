#pragma once

#include "graphs/GraphScales.h"

#include <QString>

namespace dewscope {

// The temperature and humidity groups that both graphs' range dialogs check and store. A group
// is checked on the leading numbers of its boxes, read the same way in every locale (readBox),
// and stored as soon as it passes: exactly the numbers checked, when each box holds its number
// and nothing else (otherwise the conversion fails).
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
    // unit converted) and then the humidity scale.
    static Result applyScales(bool celsius, const QString &max, const QString &min,
                              const QString &maxRH, const QString &minRH, GraphScales *state);

protected:
    static Result conversionFailed() { return { Outcome::ConversionFailed, QString() }; }
};

} // namespace dewscope
