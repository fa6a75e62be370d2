#include "graphs/RecordTablePrintJob.h"

#include "desktop/RememberedFolders.h"
#include "graphs/PdfFile.h"
#include "graphs/RecordTablePrinter.h"
#include "meter/Poll.h"
#include "tables/RecordWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>

namespace dewscope {

RecordTablePrintJob::RecordTablePrintJob(RecordWindow *window, Poll *poll, QWidget *mainWindow,
                                         QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_poll(poll)
    , m_mainWindow(mainWindow)
    , m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
}

RecordTablePrintJob::~RecordTablePrintJob()
{
    // The document and the dialog go before the printer they point at.
    if (m_tablePrinter && m_tablePrinter->isRunning())
        m_printer->abort();
    delete m_tablePrinter;
    delete m_dialog;
    if (m_waiting)
        QApplication::restoreOverrideCursor();
}

void RecordTablePrintJob::start()
{
    if (m_waiting || m_tablePrinter || !m_window)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_waiting = true;
    if (m_poll)
        m_poll->setEnabled(false);
    m_dialog = new QPrintDialog(m_printer.get(), m_mainWindow ? m_mainWindow.data() : m_window);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    RememberedFolders::offerPrintFile(m_dialog, m_window->windowTitle());
    connect(m_dialog, &QDialog::finished, this, &RecordTablePrintJob::dialogFinished);
    m_dialog->open();
}

void RecordTablePrintJob::dialogFinished(int result)
{
    if (result != QDialog::Accepted || !m_window) {
        end(false, QString());
        return;
    }
    RememberedFolders::rememberPrintFile(m_printer.get());
    m_printer->setCopyCount(1);
    m_printer->setPageOrientation(QPageLayout::Portrait);
    m_printer->setPageMargins(QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
    m_caption = m_window->windowTitle();
    m_captionTaken = true;
    QPagedPaintDevice *device = m_printer.get();
    if (m_printer->outputFormat() == QPrinter::PdfFormat
        && !m_printer->outputFileName().isEmpty()) {
        m_pdf = std::make_unique<PdfFile>(m_printer->outputFileName());
        if (!m_pdf->open(m_printer.get())) {
            end(false, m_pdf->errorString());
            return;
        }
        m_pdf->writer()->setTitle(m_printer->docName());
        device = m_pdf->writer();
    }
    m_tablePrinter = new RecordTablePrinter(m_window->model(), device, this);
    connect(m_tablePrinter, &RecordTablePrinter::captionChanged, m_window.data(),
            &QWidget::setWindowTitle);
    connect(m_tablePrinter, &RecordTablePrinter::abandoning, this, [this] { m_printer->abort(); });
    connect(m_tablePrinter, &RecordTablePrinter::finished, this, &RecordTablePrintJob::end);
    m_tablePrinter->start();
}

void RecordTablePrintJob::end(bool ok, QString error)
{
    if (m_pdf && !m_pdf->finish(ok) && ok) {
        ok = false;
        error = m_pdf->errorString();
    }
    m_pdf.reset();
    if (m_waiting)
        QApplication::restoreOverrideCursor();
    m_waiting = false;
    if (m_window && m_captionTaken)
        m_window->setWindowTitle(m_caption);
    if (m_poll)
        m_poll->setEnabled(true);
    if (!ok && !error.isEmpty()) {
        QWidget *parent = m_window ? static_cast<QWidget *>(m_window.data()) : m_mainWindow.data();
        auto *box = new QMessageBox(QMessageBox::Critical, QApplication::applicationDisplayName(),
                                    tr("The table could not be printed: %1\n"
                                       "The printout was abandoned.")
                                        .arg(error),
                                    QMessageBox::Ok, parent);
        box->setObjectName(QStringLiteral("PrintFailedMessage"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    Q_EMIT finished(ok);
}

} // namespace dewscope
