// `dewscope-cli print` of a data file of 35,000 records to an A4 PDF, in this process: the time
// (reading the file included), the pages, and the longest event-loop stall from a 10 ms
// heartbeat, the file being read and printed in slices as the windows do.
#include "bench/StallWatch.h"
#include "cli/Command.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    QFile data(dir.filePath(QStringLiteral("table.txt")));
    if (!data.open(QIODevice::WriteOnly))
        return 1;
    for (int r = 1; r <= 35000; ++r)
        data.write(QByteArray::number(r)
                   + "\t10:00:00\t23.4\t12.1\t16.5\t48.9\t74.1\t53.8\t61.7\t\r\n");
    data.close();

    QElapsedTimer clock;
    QString said;
    QTextStream stream(&said);
    dewscope::cli::Io io { stream, stream };
    clock.start();
    dewscope::bench::StallWatch stalls(10);
    const int status = dewscope::cli::runCommandLine(
        { "print", data.fileName(), "--pdf", dir.filePath(QStringLiteral("table.pdf")) }, io);
    const qint64 longest = stalls.longest();
    stream.flush();
    std::printf("%s%.2f s, %.0f KiB of PDF, exit status %d\n", qPrintable(said),
                clock.nsecsElapsed() / 1e9, QFile(dir.filePath("table.pdf")).size() / 1024.0,
                status);
    std::printf("longest event-loop stall %lld ms (goal 50 ms)\n", static_cast<long long>(longest));
    return 0;
}
