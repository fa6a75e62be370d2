#include "meter/ReadingTexts.h"

#include "meter/DisplayFormat.h"

namespace dewscope {

ReadingTexts ReadingTexts::fromReading(const Reading &reading)
{
    ReadingTexts texts;
    texts.rh = formatReading(reading.rh);
    texts.tempC = formatReading(reading.tempC);
    texts.tempF = formatReading(reading.tempF);
    texts.dewC = formatReading(reading.dewC);
    texts.dewF = formatReading(reading.dewF);
    texts.wetC = formatReading(reading.wetC);
    texts.wetF = formatReading(reading.wetF);
    return texts;
}

QStringList ReadingTexts::recordFields() const
{
    return { tempC, dewC, wetC, rh, tempF, dewF, wetF };
}

bool operator==(const ReadingTexts &a, const ReadingTexts &b)
{
    return a.recordFields() == b.recordFields();
}

} // namespace dewscope
