#include "meter/SerialSettings.h"

#include <QStringList>

namespace dewscope {

std::optional<SerialSettings> SerialSettings::parse(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;

    SerialSettings settings;
    bool ok = false;
    const QString baud = parts.at(0).trimmed();
    const qint64 baudRate = baud.toLongLong(&ok);
    // Only plain digits: "+9600" or " 96 00" are typing errors, not rates.
    if (!ok || baudRate < 50 || baudRate > 4000000 || baud.startsWith(QLatin1Char('+')))
        return std::nullopt;
    settings.baudRate = static_cast<qint32>(baudRate);

    const QString parity = parts.at(1).trimmed().toLower();
    if (parity == QLatin1String("n"))
        settings.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("e"))
        settings.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("o"))
        settings.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("m"))
        settings.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("s"))
        settings.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;

    const QString data = parts.at(2).trimmed();
    if (data == QLatin1String("5"))
        settings.dataBits = QSerialPort::Data5;
    else if (data == QLatin1String("6"))
        settings.dataBits = QSerialPort::Data6;
    else if (data == QLatin1String("7"))
        settings.dataBits = QSerialPort::Data7;
    else if (data == QLatin1String("8"))
        settings.dataBits = QSerialPort::Data8;
    else
        return std::nullopt;

    const QString stop = parts.at(3).trimmed();
    if (stop == QLatin1String("1"))
        settings.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        settings.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        settings.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;

    return settings;
}

} // namespace dewscope
