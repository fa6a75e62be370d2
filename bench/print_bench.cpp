// A table of 35,000 records printed to a PDF printer from a visible File List, its caption
// counting: the time, the pages, the file size and the longest event-loop stall (10 ms
// heartbeat) from the start of the document to its end.
#include "graphs/RecordTablePrinter.h"
#include "tables/FileList.h"
#include "tables/RecordTableModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdio>

using namespace dewscope;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FileList list;
    QStringList rows;
    for (int r = 1; r <= 35000; ++r)
        rows << QStringLiteral("%1\t%2\t23.4\t12.1\t16.5\t48.9\t74.1\t53.8\t61.7")
                    .arg(r)
                    .arg(QTime(0, 0).addSecs(r * 2).toString(QStringLiteral("hh:mm:ss")));
    list.model()->addItems(rows);
    list.show();
    QSignalSpy(&list, &QObject::destroyed).wait(300); // the first paint is not the printout's

    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(dir.filePath(QStringLiteral("table.pdf")));
    printer.setPageMargins(QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
    RecordTablePrinter tablePrinter(list.model(), &printer);
    QObject::connect(&tablePrinter, &RecordTablePrinter::captionChanged, &list,
                     &QWidget::setWindowTitle);
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longest = qMax(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    QSignalSpy finished(&tablePrinter, &RecordTablePrinter::finished);
    clock.start();
    heartbeat.start(10);
    tablePrinter.start();
    finished.wait(600000);
    longest = qMax(longest, clock.elapsed() - last); // the end of the document
    std::printf("%d records on %d pages (%s): %.2f s, %.0f KiB of PDF, ok %d\n",
                tablePrinter.recordsPrinted(), tablePrinter.pagesPrinted(),
                qPrintable(printer.pageLayout().pageSize().name()), clock.nsecsElapsed() / 1e9,
                QFileInfo(printer.outputFileName()).size() / 1024.0,
                !finished.isEmpty() && finished.first().first().toBool());
    std::printf("longest event-loop stall %lld ms (goal 50 ms)\n", static_cast<long long>(longest));
    return 0;
}
