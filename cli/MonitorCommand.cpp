#include "cli/Command.h"

namespace hygrolog::cli {

// Arrives with the serial link.
int runMonitor(const QStringList &, Io &io)
{
    io.err << "hygrolog-cli monitor: not available in this build\n";
    return Failure;
}

} // namespace hygrolog::cli
