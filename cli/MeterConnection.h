#pragma once

#include "cli/Command.h"
#include "meter/MeterLink.h"
#include "meter/PortMap.h"
#include "meter/SharedState.h"

namespace dewscope::cli {

// The meter of a headless command: the given location opened as COM 1 at 9600 8N1, with the
// shared state the poll and the recorder read.
struct MeterConnection
{
    PortMap ports;
    MeterLink link { &ports };
    SharedState state;

    // Opens the port and marks the meter online. On failure writes "dewscope-cli COMMAND: cannot
    // open LOCATION (error N): reason" to io.err and returns false.
    bool open(const char *command, const QString &location, Io &io);
};

} // namespace dewscope::cli
