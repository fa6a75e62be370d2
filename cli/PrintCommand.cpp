#include "cli/Command.h"
#include "cli/CommandInput.h"
#include "cli/CommandOptions.h"

#include "graphs/PdfFile.h"
#include "graphs/RecordTablePrinter.h"
#include "recording/DataFile.h"
#include "tables/FileLoader.h"
#include "tables/PrintLayout.h"
#include "tables/RecordTableModel.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QPdfWriter>

namespace dewscope::cli {

int runPrint(const QStringList &args, Io &io)
{
    CommandOptions options("print", io);
    options.add(QStringLiteral("pdf"), QStringLiteral("the PDF file to write"),
                QStringLiteral("OUT"));
    options.add(QStringLiteral("page"), QStringLiteral("the paper: a4 (default) or letter"),
                QStringLiteral("SIZE"));
    if (const auto code = options.parse(args))
        return *code;
    const QString file
        = options.positional().size() == 1 ? options.positional().first() : QString();
    const QString pdf = options.value(QStringLiteral("pdf"));
    const QString page = options.value(QStringLiteral("page"), QStringLiteral("a4")).toLower();
    if (file.isEmpty() || pdf.isEmpty()
        || (page != QLatin1String("a4") && page != QLatin1String("letter")))
        return options.usageError(
            QStringLiteral("give one data FILE, --pdf OUT and at most --page a4|letter"));
    // Text needs the fonts of Qt Gui; main() gives this command a window-less application.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        io.err << "dewscope-cli print: fonts are not available in this process\n";
        return Failure;
    }

    // Read as "Open" reads: regular files only, the same rows and cuts as the File List.
    const QString whyNot = DataFile::whyNotReadable(file);
    if (!whyNot.isEmpty()) {
        io.err << "dewscope-cli print: " << whyNot << "\n";
        return Failure;
    }
    // Written beside OUT and renamed over it once complete: a failure leaves OUT as it was.
    PdfFile output(pdf, { file });
    if (!output.open())
        return options.failure(output.errorString());
    RecordTableModel model;
    QEventLoop loop;
    bool ok = false;
    QString error;
    const auto done = [&](bool success, const QString &why) {
        ok = success;
        error = why;
        loop.quit();
    };
    FileLoader loader(&model, file);
    QObject::connect(&loader, &FileLoader::finished, &loop, done);
    if (loader.start())
        loop.exec();
    if (!ok) {
        io.err << "dewscope-cli print: reading " << file << " failed: " << error << "\n";
        return Failure;
    }
    if (loader.rowsLeftOut() > 0) {
        output.finish(false);
        return refuseTooManyRows(options, file);
    }
    if (!loader.cutNotice().isEmpty())
        io.err << "dewscope-cli print: " << loader.cutNotice() << "\n";

    int pages = 0;
    {
        QPdfWriter &writer = *output.writer();
        writer.setPageSize(
            QPageSize(page == QLatin1String("letter") ? QPageSize::Letter : QPageSize::A4));
        writer.setPageMargins(QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
        RecordTablePrinter printer(&model, &writer);
        QObject::connect(&printer, &RecordTablePrinter::finished, &loop, done);
        if (printer.start())
            loop.exec();
        pages = printer.pagesPrinted();
    }
    if (!output.finish(ok))
        return options.failure(ok ? output.errorString()
                                  : QStringLiteral("cannot write %1: %2").arg(pdf, error));
    io.out << model.rows() - 1 << " records on " << pages << " pages to " << pdf << "\n";
    return Success;
}

} // namespace dewscope::cli
