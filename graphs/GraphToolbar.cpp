#include "graphs/GraphToolbar.h"

#include "desktop/RememberedFolders.h"
#include "desktop/ShortcutTip.h"
#include "graphs/PdfFile.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QToolBar>

#include <memory>
#include <utility>

namespace dewscope {

namespace {

// The toolbar pictures: a scale with its limits, and a printer.
QIcon limitImage()
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(6, 3, 6, 21);
    p.drawLine(3, 5, 12, 5);
    p.drawLine(3, 19, 12, 19);
    p.setPen(QPen(QColor(0, 0, 255), 2));
    p.drawLine(10, 15, 15, 9);
    p.drawLine(15, 9, 21, 12);
    return QIcon(pixmap);
}

QIcon printImage()
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(7, 3, 10, 7);
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(3, 10, 18, 8);
    p.setBrush(Qt::white);
    p.drawRect(7, 15, 10, 6);
    return QIcon(pixmap);
}

} // namespace

QToolBar *addGraphToolbar(QWidget *window, QAction **limit, QAction **print)
{
    auto *toolbar = new QToolBar(window);
    toolbar->setIconSize(QSize(24, 24));
    *limit = toolbar->addAction(limitImage(), QStringLiteral("Limit"));
    *print = toolbar->addAction(printImage(), QStringLiteral("Print"));
    const QKeySequence limitKeys(Qt::CTRL | Qt::Key_L);
    const QKeySequence printKeys(QKeySequence::Print);
    for (auto [action, keys] : { std::pair(*limit, limitKeys), std::pair(*print, printKeys) }) {
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setToolTip(shortcutTip(action->text(), keys));
    }
    toolbar->adjustSize();
    return toolbar;
}

bool printGraphPage(QPrinter *printer, const std::function<bool(QPagedPaintDevice *)> &draw,
                    QString *error)
{
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    const QString file = printer->outputFileName();
    if (printer->outputFormat() != QPrinter::PdfFormat || file.isEmpty())
        return draw(printer) || fail(QObject::tr("the printer did not take the page."));
    PdfFile pdf(file);
    if (!pdf.open(printer))
        return fail(pdf.errorString());
    return pdf.finish(draw(pdf.writer())) || fail(pdf.errorString());
}

QPrintDialog *printGraphWindow(QToolBar *toolbar, QWidget *dialogParent,
                               const QString &documentName,
                               std::function<bool(QPrinter *, QString *)> printTo)
{
    toolbar->hide();
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    auto *dialog = new QPrintDialog(printer.get(), dialogParent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    RememberedFolders::offerPrintFile(dialog, documentName);
    QPointer<QToolBar> bar(toolbar);
    QPointer<QWidget> parent(dialogParent);
    QObject::connect(dialog, &QDialog::finished, toolbar,
                     [bar, parent, printer, printTo](int result) {
                         QString error;
                         if (result == QDialog::Accepted) {
                             RememberedFolders::rememberPrintFile(printer.get());
                             if (!printTo(printer.get(), &error)) {
                                 auto *box = new QMessageBox(
                                     QMessageBox::Warning, QApplication::applicationDisplayName(),
                                     QObject::tr("The graph could not be printed: %1").arg(error),
                                     QMessageBox::Ok, parent);
                                 box->setObjectName(QStringLiteral("PrintFailedMessage"));
                                 box->setAttribute(Qt::WA_DeleteOnClose);
                                 box->open();
                             }
                         }
                         if (bar)
                             bar->show();
                     });
    dialog->open();
    return dialog;
}

} // namespace dewscope
