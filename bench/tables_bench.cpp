// Record tables at full size: opening a 35,000-line data file into the File List, saving
// 34,999 rows, appending 35,000 recorder rows to a visible grid, and the peak memory with the
// tables open. Each figure is set against a raw read-and-split (or build-and-write) of the same
// data in the same run; the longest event-loop stall is measured with a 10 ms heartbeat.
#include "bench/StallWatch.h"
#include "recording/DataFile.h"
#include "tables/FileListWindow.h"
#include "tables/FileLoader.h"
#include "tables/GridSaver.h"
#include "tables/RealTimeListWindow.h"
#include "tables/RecordTableModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTime>

#include <sys/resource.h>

using namespace dewscope;

namespace {

constexpr int Rows = 35000;

QString recordText(int number)
{
    return QStringLiteral("%1\t%2\t23.4\t12.1\t16.5\t49.0\t74.1\t53.8\t61.7")
        .arg(number)
        .arg(QTime(10, 0).addSecs(number % 3600).toString(QStringLiteral("hh:mm:ss")));
}

// Runs a save or an open to its end with its captions on the window: the time it took (ms) and
// the longest gap between two beats of a 10 ms timer meanwhile (the event loop's longest stall).
template<typename Job> std::pair<double, qint64> runJob(Job &job, QWidget *window)
{
    QObject::connect(&job, &Job::captionChanged, window, &QWidget::setWindowTitle);
    QElapsedTimer clock;
    clock.start();
    bench::StallWatch stalls(10);
    QEventLoop loop;
    QObject::connect(&job, &Job::finished, &loop, &QEventLoop::quit);
    if (job.start())
        loop.exec();
    return { clock.nsecsElapsed() / 1e6, stalls.longest() };
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString dataPath = dir.filePath(QStringLiteral("35000.txt"));
    {
        QFile file(dataPath);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        for (int i = 1; i <= Rows; ++i)
            file.write(DataFile::recorderLine(i, recordText(i).section(QLatin1Char('\t'), 1)));
    }

    // Raw reference: read the whole file and split it into lines and cells.
    QElapsedTimer clock;
    clock.start();
    qsizetype cells = 0;
    QFile raw(dataPath);
    raw.open(QIODevice::ReadOnly);
    for (const QString &line :
         QString::fromLatin1(raw.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        cells += DataFile::splitCells(line).size();
    const double rawReadMs = clock.nsecsElapsed() / 1e6;
    out << "raw read-and-split of 35,000 lines: " << rawReadMs << " ms (" << cells << " cells)\n";

    // Open into the File List.
    FileListWindow fileList;
    fileList.show();
    FileLoader loader(fileList.model(), dataPath);
    const auto [openMs, openStall] = runJob(loader, &fileList);
    out << "open into the File List: " << openMs << " ms, " << openMs / rawReadMs << " x raw; rows "
        << fileList.model()->rows() - 1 << "; longest stall " << openStall << " ms\n";

    // Save 34,999 rows of the Real Time List; raw reference: build the same lines and write.
    RealTimeListWindow list;
    list.show();
    for (int i = 1; i < Rows; ++i)
        list.model()->addItem(recordText(i));
    const QString rawPath = dir.filePath(QStringLiteral("raw.txt"));
    clock.restart();
    {
        QFile file(rawPath);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        for (int i = 1; i < Rows; ++i)
            file.write(DataFile::gridSaveLine(DataFile::splitCells(recordText(i))));
    }
    const double rawWriteMs = clock.nsecsElapsed() / 1e6;
    GridSaver saver(list.model(), dir.filePath(QStringLiteral("saved.txt")), list.windowTitle());
    const auto [saveMs, saveStall] = runJob(saver, &list);
    out << "raw build-and-write of 34,999 lines: " << rawWriteMs << " ms\n";
    out << "save 34,999 rows: " << saveMs << " ms, " << saveMs / rawWriteMs
        << " x raw; longest stall " << saveStall << " ms\n";

    // 35,000 recorder rows appended to a visible grid, one event-loop turn each.
    FileListWindow appended;
    appended.show();
    qint64 slowestUs = 0;
    QElapsedTimer one;
    clock.restart();
    for (int i = 1; i <= Rows; ++i) {
        one.start();
        appended.appendRecordRow(recordText(i));
        QCoreApplication::processEvents();
        slowestUs = qMax(slowestUs, one.nsecsElapsed() / 1000);
    }
    const double appendMs = clock.nsecsElapsed() / 1e6;
    out << "append 35,000 rows to a visible grid: " << appendMs << " ms, " << appendMs * 1000 / Rows
        << " us a row with its event-loop turn; slowest " << slowestUs / 1000.0 << " ms; top row "
        << appended.topRow() << "\n";

    struct rusage usage; // the peak resident memory (VmHWM), in KiB
    getrusage(RUSAGE_SELF, &usage);
    out << "peak memory (VmHWM) with three 35,000-row tables open: " << usage.ru_maxrss / 1024.0
        << " MB\n";
    return 0;
}
