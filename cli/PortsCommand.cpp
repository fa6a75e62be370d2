#include "cli/Command.h"

#include "meter/PortMap.h"

namespace dewscope::cli {

int runPorts(const QStringList &args, Io &io)
{
    QString overrideLocation;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--port") && i + 1 < args.size()) {
            overrideLocation = args.at(++i);
        } else {
            io.err << "dewscope-cli ports: unexpected argument '" << args.at(i) << "'\n";
            return UsageError;
        }
    }
    PortMap map;
    if (!overrideLocation.isEmpty())
        map.setOverride(overrideLocation);
    const QList<PortMap::Port> ports = map.ports();
    if (ports.isEmpty()) {
        io.out << "No serial ports found.\n";
        return Success;
    }
    // COM number, system location, description: one port a line, TAB-separated.
    for (const PortMap::Port &port : ports)
        io.out << "COM" << port.number << '\t' << port.location << '\t' << port.description << '\n';
    return Success;
}

} // namespace dewscope::cli
