#pragma once

#include "meter/Reading.h"
#include "meter/ReadingTexts.h"

namespace dewscope {

// The program-wide state that lives for the whole run: the live reading with its display
// texts, the chosen port and whether the meter is online. Owned by main(), handed by pointer
// to the parts that read or write it (the poll writes the reading, the recorder reads its
// texts, the main window shows them).
struct SharedState
{
    Reading reading;
    ReadingTexts texts;
    int comPortNumber = 0; // the port chosen in the port window, 1-16; 0 before a choice
    bool meterOnline = false; // true once the port opened at start-up; false in offline mode
    bool celsiusMode = true; // the main window's temperature unit
};

} // namespace dewscope
