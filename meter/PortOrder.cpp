#include "meter/PortOrder.h"

#include <QRegularExpression>

#include <algorithm>

namespace dewscope::PortOrder {

namespace {

// The location split into its text and its trailing number (-1 when it has none).
std::pair<QString, qint64> splitTrailingNumber(const QString &location)
{
    int i = location.size();
    while (i > 0 && location.at(i - 1).isDigit())
        --i;
    if (i == location.size())
        return { location, -1 };
    // Very long digit runs would overflow; compare them as text instead.
    if (location.size() - i > 15)
        return { location, -1 };
    return { location.left(i), location.mid(i).toLongLong() };
}

bool isAdapter(const QString &location)
{
    const int slash = location.lastIndexOf(QLatin1Char('/'));
    const QString name = location.mid(slash + 1);
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
}

QList<PortMap::Port> numbered(const QList<SystemPort> &ports)
{
    QList<PortMap::Port> result;
    for (const SystemPort &port : ports) {
        if (result.size() == PortMap::PortCount)
            break;
        result.append({ static_cast<int>(result.size()) + 1, port.location, port.description });
    }
    return result;
}

} // namespace

bool locationLess(const QString &a, const QString &b)
{
    const auto [textA, numberA] = splitTrailingNumber(a);
    const auto [textB, numberB] = splitTrailingNumber(b);
    if (textA != textB)
        return textA < textB;
    if (numberA != numberB)
        return numberA < numberB;
    return a < b;
}

QList<PortMap::Port> numberUnixPorts(QList<SystemPort> ports)
{
    // The same device can be reported twice (e.g. through a by-id link resolved to one path).
    std::sort(ports.begin(), ports.end(), [](const SystemPort &a, const SystemPort &b) {
        const bool adapterA = isAdapter(a.location);
        const bool adapterB = isAdapter(b.location);
        if (adapterA != adapterB)
            return adapterA;
        return locationLess(a.location, b.location);
    });
    ports.erase(std::unique(ports.begin(), ports.end(),
                            [](const SystemPort &a, const SystemPort &b) {
                                return a.location == b.location;
                            }),
                ports.end());
    return numbered(ports);
}

QList<PortMap::Port> numberWindowsPorts(const QList<SystemPort> &ports)
{
    QList<PortMap::Port> result;
    for (int n = 1; n <= PortMap::PortCount; ++n) {
        for (const SystemPort &port : ports) {
            if (comNumber(port.location) == n
                && port.location.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
                result.append({ n, port.location, port.description });
                break;
            }
        }
    }
    return result;
}

QList<PortMap::Port> applyOverride(const QList<PortMap::Port> &numberedPorts,
                                   const QString &location)
{
    if (location.isEmpty())
        return numberedPorts;
    QList<PortMap::Port> result;
    QString description;
    for (const PortMap::Port &port : numberedPorts) {
        if (port.location == location)
            description = port.description;
    }
    result.append({ 1, location, description });
    for (const PortMap::Port &port : numberedPorts) {
        if (result.size() == PortMap::PortCount)
            break;
        if (port.location == location)
            continue;
        result.append({ static_cast<int>(result.size()) + 1, port.location, port.description });
    }
    return result;
}

int comNumber(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(?:COM\\s*)?(\\d{1,2})\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return 0;
    const int number = match.captured(1).toInt();
    return number >= 1 && number <= PortMap::PortCount ? number : 0;
}

} // namespace dewscope::PortOrder
