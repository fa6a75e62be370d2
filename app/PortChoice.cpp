#include "app/PortChoice.h"

#include "meter/MeterLink.h"
#include "meter/PortMap.h"

namespace dewscope {

namespace {
const QString portPrefix = QStringLiteral("COM  ");
}

QString comPortText(int number)
{
    return portPrefix + QString::number(number);
}

QStringList allComPortTexts()
{
    QStringList texts;
    for (int i = 1; i <= PortMap::PortCount; ++i)
        texts << comPortText(i);
    return texts;
}

int comPortNumberFromText(const QString &text, int previous)
{
    if (text == QLatin1String("Auto"))
        return 1;
    // Exact names only: "COM10" (no blanks) or " COM  3" keep the previous choice.
    for (int i = 1; i <= PortMap::PortCount; ++i) {
        if (text == comPortText(i))
            return i;
    }
    return previous;
}

QStringList scanPorts(MeterLink &link, const std::function<void(int)> &progress)
{
    QStringList found;
    for (int i = 1; i <= PortMap::PortCount; ++i) {
        if (progress)
            progress(i);
        if (link.isOpen())
            link.close();
        link.setSettings(QStringLiteral("9600,n,8,1"));
        link.setCommPort(i);
        const int error = link.open();
        if (error == MeterLink::NoError || error == MeterLink::PortAlreadyOpen) {
            found << comPortText(i);
            link.close();
        }
    }
    if (link.isOpen())
        link.close();
    return found;
}

} // namespace dewscope
