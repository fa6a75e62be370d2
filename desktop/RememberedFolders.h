#pragma once

#include <QString>

class QPrintDialog;
class QPrinter;

namespace dewscope {

// The folder the user last chose a file in, one for each kind of file, kept between runs in the
// program's settings (ProgramSettings), so each file dialog starts where the user worked last.
class RememberedFolders
{
public:
    enum Kind { Open, Save, Recording, Print };

    // The folder last chosen for this kind of file; empty when none is remembered or it is gone.
    static QString folder(Kind kind);
    // Remembers the folder of a chosen file.
    static void remember(Kind kind, const QString &filePath);

    // A print dialog's "Print to File" offers the document's name with the ending ".pdf" in the
    // folder last printed to ("data.txt" gives data.pdf), unless the printer has a file already.
    static void offerPrintFile(QPrintDialog *dialog, const QString &documentName);
    // After the dialog: remembers the folder of the file printed to, if any.
    static void rememberPrintFile(const QPrinter *printer);
};

} // namespace dewscope
