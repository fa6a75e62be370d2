#include "cli/Command.h"

#include "graphs/RecordTablePrinter.h"
#include "recording/DataFile.h"
#include "tables/FileLoader.h"
#include "tables/PrintLayout.h"
#include "tables/RecordTableModel.h"

#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QPdfWriter>

namespace dewscope::cli {

int runPrint(const QStringList &args, Io &io)
{
    QString file, pdf, page = QStringLiteral("a4");
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if ((arg == QLatin1String("--pdf") || arg == QLatin1String("--page"))
            && i + 1 < args.size())
            (arg == QLatin1String("--pdf") ? pdf : page) = args.at(++i);
        else if (file.isEmpty() && !arg.startsWith(QLatin1String("--")))
            file = arg;
        else
            file = pdf = QString(); // an unknown option or a second FILE
    }
    page = page.toLower();
    if (file.isEmpty() || pdf.isEmpty()
        || (page != QLatin1String("a4") && page != QLatin1String("letter"))) {
        io.err
            << "dewscope-cli print: give one data FILE, --pdf OUT and at most --page a4|letter\n";
        return UsageError;
    }
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
    if (!loader.cutNotice().isEmpty())
        io.err << "dewscope-cli print: " << loader.cutNotice() << "\n";

    int pages = 0;
    {
        QPdfWriter writer(pdf);
        writer.setPageSize(
            QPageSize(page == QLatin1String("letter") ? QPageSize::Letter : QPageSize::A4));
        writer.setPageMargins(QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
        writer.setCreator(QStringLiteral("dewscope-cli"));
        RecordTablePrinter printer(&model, &writer);
        QObject::connect(&printer, &RecordTablePrinter::finished, &loop, done);
        if (printer.start())
            loop.exec();
        pages = printer.pagesPrinted();
    }
    if (!ok) {
        QFile::remove(pdf);
        io.err << "dewscope-cli print: cannot write " << pdf << ": " << error << "\n";
        return Failure;
    }
    io.out << model.rows() - 1 << " records on " << pages << " pages to " << pdf << "\n";
    return Success;
}

} // namespace dewscope::cli
