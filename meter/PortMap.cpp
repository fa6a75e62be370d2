#include "meter/PortMap.h"

#include "meter/PortOrder.h"

#include <QSerialPortInfo>

namespace dewscope {

PortMap::PortMap()
{
    refresh();
}

void PortMap::refresh()
{
    QList<PortOrder::SystemPort> system;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        system.append({ info.systemLocation(), info.description() });
#ifdef Q_OS_WIN
    m_ports = PortOrder::numberWindowsPorts(system);
#else
    m_ports = PortOrder::numberUnixPorts(system);
#endif
}

void PortMap::setOverride(const QString &location)
{
    const QString text = location.trimmed();
    const int number = PortOrder::comNumber(text);
#ifdef Q_OS_WIN
    // On Windows a COM name is a location of its own.
    if (number > 0) {
        m_override = QStringLiteral("COM%1").arg(number);
        return;
    }
#else
    if (number > 0) {
        const QString mapped = this->location(number);
        // An unmapped number stays as typed: opening it then fails like any missing port.
        m_override = mapped.isEmpty() ? text : mapped;
        return;
    }
#endif
    m_override = text;
}

QString PortMap::location(int number) const
{
    for (const Port &port : ports()) {
        if (port.number == number)
            return port.location;
    }
    return QString();
}

int PortMap::number(const QString &location) const
{
    for (const Port &port : ports()) {
        if (port.location == location)
            return port.number;
    }
    return 0;
}

QList<PortMap::Port> PortMap::ports() const
{
    return PortOrder::applyOverride(m_ports, m_override);
}

} // namespace dewscope
