#include "tables/RealTimeListWindow.h"

namespace dewscope {

RealTimeListWindow::RealTimeListWindow(QWidget *parent)
    : RecordWindow(QStringLiteral("Real Time List"), parent)
{
    addKey(QStringLiteral("Save"), QStringLiteral("Save AS"), 1);
    addKey(QStringLiteral("Print"), QStringLiteral("Print"), 2);
    addKey(QStringLiteral("Summary"), QStringLiteral("Summary"), 3);
}

} // namespace dewscope
