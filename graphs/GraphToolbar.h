#pragma once

#include <QPointer>
#include <QPrintDialog>

#include <functional>

class QAction;
class QPrinter;
class QToolBar;
class QWidget;

namespace dewscope {

// The toolbar of a graph window across its top: "Limit" (a scale) and "Print" (a printer).
QToolBar *addGraphToolbar(QWidget *window, QAction **limit, QAction **print);

// "Print" of a graph window: the toolbar hidden, the print dialog (the chosen printer, its copies
// and orientation), the window's image printed on it when accepted, the toolbar shown again
// whatever happened. The dialog is shown without a nested event loop; returns it while it is open.
QPrintDialog *printGraphWindow(QToolBar *toolbar, QWidget *dialogParent,
                               std::function<bool(QPrinter *)> printTo);

} // namespace dewscope
