#include "cli/Command.h"
#include "cli/CommandOptions.h"

#include "meter/PortMap.h"

namespace dewscope::cli {

int runPorts(const QStringList &args, Io &io)
{
    CommandOptions options("ports", io);
    options.add(QStringLiteral("port"), QStringLiteral("number this system location COM 1"),
                QStringLiteral("LOCATION"));
    options.allowPositional(0);
    if (const auto code = options.parse(args))
        return *code;
    const QString overrideLocation = options.value(QStringLiteral("port"));
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
