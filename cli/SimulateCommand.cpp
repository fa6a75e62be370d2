#include "cli/Command.h"

namespace hygrolog::cli {

// Arrives with the serial link.
int runSimulate(const QStringList &, Io &io)
{
    io.err << "hygrolog-cli simulate: not available in this build\n";
    return Failure;
}

} // namespace hygrolog::cli
