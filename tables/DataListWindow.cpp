#include "tables/DataListWindow.h"

#include "desktop/WindowPlacement.h"

namespace dewscope {

DataListWindow::DataListWindow(QWidget *parent)
    : RecordWindow(QStringLiteral("Data List"), parent)
{
    addKey(QStringLiteral("Save"), QStringLiteral("Save As"), 1);
    addKey(QStringLiteral("Plot"), QStringLiteral("Plot"), 2);
    addKey(QStringLiteral("Print"), QStringLiteral("Print"), 3);
    addKey(QStringLiteral("Summary"), QStringLiteral("Summary"), 4);
}

void DataListWindow::placeBeside(const QWidget *mainWindow)
{
    if (!mainWindow)
        return;
    const QRect main = mainWindow->frameGeometry();
    WindowPlacement::place(this, QPoint(main.x() + main.width(), main.y()), mainWindow);
}

} // namespace dewscope
