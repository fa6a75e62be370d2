#include "cli/Command.h"

namespace hygrolog::cli {

// Arrives with the serial link.
int runRecord(const QStringList &, Io &io)
{
    io.err << "hygrolog-cli record: not available in this build\n";
    return Failure;
}

} // namespace hygrolog::cli
