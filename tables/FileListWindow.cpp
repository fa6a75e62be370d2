#include "tables/FileListWindow.h"

namespace dewscope {

FileListWindow::FileListWindow(QWidget *parent)
    : RecordWindow(QStringLiteral("File List"), parent)
{
    addKey(QStringLiteral("Plot"), QStringLiteral("Plot"), 1);
    addKey(QStringLiteral("Print"), QStringLiteral("Print"), 2);
    addKey(QStringLiteral("Summary"), QStringLiteral("Summary"), 3);
}

} // namespace dewscope
