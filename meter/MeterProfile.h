#pragma once

#include "meter/MeterValue.h"

#include <QList>
#include <QString>

#include <optional>

namespace dewscope {

// A script for the simulated meter: lines of "SECONDS TEMPERATURE HUMIDITY" (seconds from the
// start; values in °C and %, or OL / -OL) and "SECONDS silent". Between two numeric lines a
// value moves linearly; an OL or -OL value, or a silent line, holds until the next line; after
// the last line its state holds, and before the first line the first holds. Blank lines and
// lines starting with # are skipped; the seconds never go back.
class MeterProfile
{
public:
    struct Point
    {
        double seconds = 0;
        bool silent = false;
        MeterValue temperature;
        MeterValue humidity;
    };

    // What the meter sends at a moment.
    struct State
    {
        bool silent = false;
        MeterValue temperature;
        MeterValue humidity;
    };

    // Nothing, with *error naming the line, when the text is not a profile.
    static std::optional<MeterProfile> parse(const QString &text, QString *error);
    static std::optional<MeterProfile> load(const QString &path, QString *error);

    const QList<Point> &points() const { return m_points; }
    State at(double seconds) const;

private:
    QList<Point> m_points;
};

} // namespace dewscope
