#pragma once

#include <QList>
#include <QString>

namespace dewscope {

// The meter's port numbers COM 1 to 16 and the system's serial ports behind them.
// On Windows COMn is the system port COMn. Elsewhere the system's serial ports are numbered in
// a stable order, USB and ACM adapters first (so one plugged-in USB meter is COM 1), then the
// rest by location. An override (the --port option) makes COM 1 a given location.
class PortMap
{
public:
    struct Port
    {
        int number = 0; // 1-16
        QString location; // system path, e.g. /dev/ttyUSB0 or COM3
        QString description; // what the system says of the device, may be empty
    };

    static constexpr int PortCount = 16;

    PortMap();

    // Reads the system's serial ports again.
    void refresh();

    // Makes COM 1 the given location: a system path, or a COM name or number ("COM3", "3"),
    // which is resolved through the current numbering. An empty text removes the override.
    void setOverride(const QString &location);
    QString overrideLocation() const { return m_override; }

    // The system location of a COM number; empty when none is mapped.
    QString location(int number) const;
    // The COM number of a system location; 0 when it has none.
    int number(const QString &location) const;
    // Every mapped port, by number.
    QList<Port> ports() const;

private:
    QList<Port> m_ports; // system ports in numbering order, without the override
    QString m_override;
};

} // namespace dewscope
