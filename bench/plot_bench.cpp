// The data plot of 35,000 records: the plot window at its opening size, from the show to the
// finished picture, against reading and splitting the same file in the same run; the longest
// event-loop stall meanwhile (a 5 ms heartbeat); the literal record-by-record drawing of the
// same span; and the whole `dewscope-cli plot` process against `dewscope-cli read`.
#include "bench/StallWatch.h"
#include "graphs/DataPlotWindow.h"
#include "recording/DataFileReader.h"
#include "tests/common/LiteralPlot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

using namespace dewscope;

using dewscope::bench::timed;

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("plot.txt");
    QByteArray text;
    for (int r = 1; r <= 35000; ++r) {
        const double t = 20 + 10 * std::sin(r / 900.0), rh = 50 + 20 * std::cos(r / 700.0);
        text += QString::asprintf("%d\t%s\t%.1f\t%.1f\t%.1f\t%.1f\t0\t0\t0\r\n", r,
                                  qPrintable(QTime(0, 0).addSecs(r * 2).toString("hh:mm:ss")), t,
                                  t - 8, t - 4, rh)
                    .toUtf8();
    }
    QFile out(path);
    out.open(QIODevice::WriteOnly), out.write(text), out.close();

    RecordTableModel table;
    const double readMs = timed([&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        DataFileReader reader(&file);
        QString item;
        while (reader.next(&item) == DataFileReader::Status::Item)
            table.addItem(item);
    });

    // The program's fonts are loaded by its main window before any plot opens.
    DrawingSurface(PlotPainter::font()).textWidth("10:00:00");
    DataPlotState state;
    state.spanWholeTable(table.rows() - 1);
    DataPlotWindow window(&state, &table, nullptr);
    QEventLoop loop;
    QObject::connect(&window, &DataPlotWindow::drawn, &loop, &QEventLoop::quit);
    bench::StallWatch stalls(5);
    const double plotMs = timed([&] { window.show(), loop.exec(); });
    const qint64 longest = stalls.longest();

    DrawingSurface literal(PlotPainter::font(), PlotPainter::backColor());
    literal.setImageSize(window.size());
    PlotPainter(&literal, &state).drawFrame();
    const double literalMs = timed([&] { test::drawLiterally(literal, state, table); });

    const auto cli = [](const QStringList &args) {
        return timed([&] {
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            process.start(DEWSCOPE_CLI, args);
            process.waitForFinished(-1);
        });
    };
    const double cliPlot = cli({ "plot", path, "--png", dir.filePath("plot.png") });
    const double cliRead = cli({ "read", path });

    std::printf("35000 records at %dx%d\nread and split the file       %8.1f ms\n"
                "plot window, show to picture  %8.1f ms (%.2fx the read; goal 3x)\n"
                "longest event-loop stall      %8lld ms (goal 50 ms)\n"
                "literal record-by-record      %8.1f ms (%.0fx the window)\n"
                "dewscope-cli plot / read      %8.1f / %.1f ms (%.2fx)\n",
                window.width(), window.height(), readMs, plotMs, plotMs / readMs, longest,
                literalMs, literalMs / plotMs, cliPlot, cliRead, cliPlot / cliRead);
    return 0;
}
