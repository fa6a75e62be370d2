#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

namespace dewscope {

// A serial settings string such as "9600,n,8,1": baud rate, parity (n none, e even, o odd,
// m mark, s space), data bits (5-8) and stop bits (1, 1.5 or 2), separated by commas.
struct SerialSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    // The settings a text describes; nothing when any of its four parts is not understood.
    static std::optional<SerialSettings> parse(const QString &text);

    friend bool operator==(const SerialSettings &a, const SerialSettings &b)
    {
        return a.baudRate == b.baudRate && a.parity == b.parity && a.dataBits == b.dataBits
            && a.stopBits == b.stopBits;
    }
};

} // namespace dewscope
