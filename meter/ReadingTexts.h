#pragma once

#include "meter/Reading.h"

#include <QString>
#include <QStringList>

namespace dewscope {

// The seven display texts of a reading: what the labels show and what record lines,
// grids and files carry.
struct ReadingTexts
{
    QString tempC;
    QString tempF;
    QString dewC;
    QString dewF;
    QString wetC;
    QString wetF;
    QString rh;

    // Each value of the reading passed through formatReading.
    static ReadingTexts fromReading(const Reading &reading);

    // Temperature, dew point, wet bulb (°C), humidity, temperature, dew point, wet bulb (°F):
    // the order of the value fields of a record line.
    QStringList recordFields() const;

    friend bool operator==(const ReadingTexts &a, const ReadingTexts &b);
};

} // namespace dewscope
