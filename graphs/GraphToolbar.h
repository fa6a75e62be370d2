#pragma once

#include <QPointer>
#include <QPrintDialog>

#include <functional>

class QAction;
class QPagedPaintDevice;
class QPrinter;
class QToolBar;
class QWidget;

namespace dewscope {

// The toolbar of a graph window across its top: "Limit" (a scale, Ctrl+L) and "Print" (a
// printer, Ctrl+P).
QToolBar *addGraphToolbar(QWidget *window, QAction **limit, QAction **print);

// One page on the printer the print dialog set up, drawn by draw. A PDF file (print to file) is
// written through OutputFile with the printer's page layout and resolution, so that a failure
// leaves an earlier file as it was. False with the reason in *error (when given).
bool printGraphPage(QPrinter *printer, const std::function<bool(QPagedPaintDevice *)> &draw,
                    QString *error);

// "Print" of a graph window: the toolbar hidden, the print dialog (the chosen printer, its copies
// and orientation), the window printed on it by printTo when accepted (a failure told in a
// message box), the toolbar shown again whatever happened. The dialog is shown without a nested
// event loop; returns it while it is open. "Print to File" offers the document's name in the
// folder last printed to.
QPrintDialog *printGraphWindow(QToolBar *toolbar, QWidget *dialogParent,
                               const QString &documentName,
                               std::function<bool(QPrinter *, QString *)> printTo);

} // namespace dewscope
