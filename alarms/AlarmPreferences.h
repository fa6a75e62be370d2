#pragma once

#include "alarms/AlarmSettings.h"

#include <QHash>
#include <QString>

#include <optional>

namespace dewscope {

// What the Alarms dialog sets: the alarm settings, the alarm log and the actions. Kept as the
// boxes' texts, so that a half-typed entry comes back as the user left it.
struct AlarmPreferences
{
    AlarmSettings settings;
    QString logPath; // empty: no log
    bool notify = true; // a desktop notification for each start and end
    bool sound = true; // a sound until acknowledged

    // The boxes by name: tempLow, tempHigh, unit ("c" or "f"), rhLow, rhHigh, delay,
    // hysteresisTemp, hysteresisRh, silenceDelay, logPath, notify and sound ("1" or "0"). An
    // empty box takes its default. Nothing, with *problem said for the user, when a box does not
    // read or the settings cannot be used.
    static std::optional<AlarmPreferences> fromTexts(const QHash<QString, QString> &texts,
                                                     QString *problem);
};

} // namespace dewscope
