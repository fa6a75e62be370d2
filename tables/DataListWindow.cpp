#include "tables/DataListWindow.h"

namespace dewscope {

DataListWindow::DataListWindow(QWidget *parent)
    : RecordWindow(QStringLiteral("Data List"), parent)
{
    addKey(QStringLiteral("Save"), QStringLiteral("Save As"), 1);
    addKey(QStringLiteral("Plot"), QStringLiteral("Plot"), 2);
    addKey(QStringLiteral("Print"), QStringLiteral("Print"), 3);
    addKey(QStringLiteral("Summary"), QStringLiteral("Summary (Ctrl+M)"), 4,
           QKeySequence(Qt::CTRL | Qt::Key_M));
}

void DataListWindow::placeBeside(const QWidget *mainWindow)
{
    if (!mainWindow)
        return;
    const QRect main = mainWindow->frameGeometry();
    move(main.x() + main.width(), main.y());
}

} // namespace dewscope
