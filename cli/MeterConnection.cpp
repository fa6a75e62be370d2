#include "cli/MeterConnection.h"

namespace dewscope::cli {

bool MeterConnection::open(const char *command, const QString &location, Io &io)
{
    ports.setOverride(location);
    link.setCommPort(1);
    link.setSettings(QStringLiteral("9600,n,8,1"));
    const int error = link.open();
    if (error != MeterLink::NoError) {
        io.err << "dewscope-cli " << command << ": cannot open " << location << ": "
               << link.errorString() << '\n';
        return false;
    }
    state.comPortNumber = 1;
    state.meterOnline = true;
    return true;
}

} // namespace dewscope::cli
