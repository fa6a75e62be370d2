#pragma once

#include "meter/PortMap.h"

#include <QList>
#include <QString>

namespace dewscope {

// The numbering rules behind PortMap, free of the system so they can be checked on any list
// of ports.
namespace PortOrder {

// A serial port as the system reports it.
struct SystemPort
{
    QString location; // e.g. /dev/ttyUSB0, or COM3 on Windows
    QString description;
};

// Numbers system ports COM 1..16 the way a Unix system needs: USB and ACM adapters (ttyUSB*,
// ttyACM*) first, then every other port; within each group by location, where a trailing number
// counts as a number (ttyS2 before ttyS10). At most 16 ports are numbered.
QList<PortMap::Port> numberUnixPorts(QList<SystemPort> ports);

// Numbers system ports the Windows way: COMn is COM n, for n from 1 to 16; others are left out.
QList<PortMap::Port> numberWindowsPorts(const QList<SystemPort> &ports);

// Puts the override location at COM 1 and shifts the other ports down by one (the override's
// own entry, if the system lists it, is not repeated). At most 16 ports stay numbered.
QList<PortMap::Port> applyOverride(const QList<PortMap::Port> &numbered, const QString &location);

// A COM name or number ("COM3", "com 3", "3") as a number 1-16; 0 when the text is not one.
int comNumber(const QString &text);

// Orders two locations: text before a trailing number alphabetically, then the number.
bool locationLess(const QString &a, const QString &b);

} // namespace PortOrder
} // namespace dewscope
