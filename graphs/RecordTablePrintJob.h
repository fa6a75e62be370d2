#pragma once

#include <QObject>
#include <QPointer>
#include <QPrintDialog>
#include <QString>

#include <memory>

class QPrinter;
class QWidget;

namespace dewscope {

class PdfFile;
class Poll;
class RecordTablePrinter;
class RecordWindow;

// The "Print" key of a record window: the wait cursor, the main window's poll paused (a tick
// under way finishes; the recorder goes on sampling), the main window's print dialog (opened
// without a nested event loop), then the table printed in slices on the chosen printer with
// "n record(s) completed" in the window's caption. At the end, or when the dialog is
// cancelled or the printer fails, the cursor, the caption and the poll come back; a failure
// abandons the job and tells the user, since the caption alone would not. Printed to a file,
// the pages go with the printer's layout and resolution to a PDF beside the chosen file, which
// replaces it only once complete: a failure leaves the file that was there as it was.
class RecordTablePrintJob : public QObject
{
    Q_OBJECT

public:
    RecordTablePrintJob(RecordWindow *window, Poll *poll, QWidget *mainWindow,
                        QObject *parent = nullptr);
    ~RecordTablePrintJob() override;

    // The printer the dialog sets up; copies and orientation are not taken from the dialog (a
    // table is printed once, upright), margins are 5 mm.
    QPrinter *printer() const { return m_printer.get(); }
    QPrintDialog *printDialog() const { return m_dialog; }
    RecordTablePrinter *tablePrinter() const { return m_tablePrinter; }

    void start();

Q_SIGNALS:
    // ok false: cancelled or failed.
    void finished(bool ok);

private:
    void dialogFinished(int result);
    void end(bool ok, QString error);

    QPointer<RecordWindow> m_window;
    QPointer<Poll> m_poll;
    QPointer<QWidget> m_mainWindow;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<PdfFile> m_pdf; // "Print to File": the PDF written whole or not at all
    QPointer<QPrintDialog> m_dialog;
    RecordTablePrinter *m_tablePrinter = nullptr;
    QString m_caption;
    bool m_captionTaken = false;
    bool m_waiting = false; // the wait cursor is ours
};

} // namespace dewscope
