#pragma once

#include <QPointer>
#include <QPrintDialog>

#include <functional>

class QAction;
class QPrinter;
class QToolBar;
class QWidget;

namespace dewscope {

// The toolbar of a graph window across its top: "Limit" (a scale, Ctrl+L) and "Print" (a
// printer, Ctrl+P).
QToolBar *addGraphToolbar(QWidget *window, QAction **limit, QAction **print);

// "Print" of a graph window: the toolbar hidden, the print dialog (the chosen printer, its copies
// and orientation), the window's image printed on it when accepted, the toolbar shown again
// whatever happened. The dialog is shown without a nested event loop; returns it while it is open.
// "Print to File" offers the document's name in the folder last printed to.
QPrintDialog *printGraphWindow(QToolBar *toolbar, QWidget *dialogParent,
                               const QString &documentName,
                               std::function<bool(QPrinter *)> printTo);

} // namespace dewscope
