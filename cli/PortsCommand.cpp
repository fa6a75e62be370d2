#include "cli/Command.h"

namespace hygrolog::cli {

// Arrives with the serial link.
int runPorts(const QStringList &, Io &io)
{
    io.err << "hygrolog-cli ports: not available in this build\n";
    return Failure;
}

} // namespace hygrolog::cli
