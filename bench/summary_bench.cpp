// The summary of 35,000 records against reading and splitting the same file in the same run,
// with and without the tenth field's date and time;
// the Summary window reading them (time to its figures, longest event-loop stall); the one-page
// report of them (time and size).
#include "bench/StallWatch.h"
#include "recording/DataFileReader.h"
#include "summary/RecordSummary.h"
#include "summary/SummaryReport.h"
#include "summary/SummaryWindow.h"
#include "tables/FileListWindow.h"
#include "tables/RecordTableModel.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTime>
#include <QTimer>

#include <cmath>
#include <cstdio>

using namespace dewscope;

using dewscope::bench::timed;

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("week.txt");
    RecordTableModel table;
    SummarySettings settings;
    settings.temperature = { 2.5, 8.0 };
    settings.humidity = { std::nullopt, 75.0 };
    SummaryFigures figures;
    for (const bool dated : { true, false }) {
        QByteArray text;
        const QDateTime start(QDate(2026, 12, 7), QTime(0, 0), Qt::UTC);
        for (int r = 1; r <= 35000; ++r) {
            // A week at 17 s: temperature 2 .. 10 °C, humidity 40 .. 80 % with a spell over range.
            const double t = 6 + 4 * std::sin(r / 900.0), rh = 60 + 20 * std::cos(r / 700.0);
            const QString h = r % 5000 < 40 ? QStringLiteral("OL") : QString::number(rh, 'f', 1);
            text += QString::asprintf("%d\t%s\t%.1f\t%.1f\t%.1f\t%s\t%.1f\t%.1f\t%.1f\r\n", r,
                                      qPrintable(QTime(0, 0).addSecs(r * 17).toString("hh:mm:ss")),
                                      t, t - 8, t - 4, qPrintable(h), t * 1.8 + 32, t * 1.8 + 18,
                                      t * 1.8 + 25)
                        .toUtf8();
            if (dated) {
                text.chop(2);
                text += '\t' + start.addSecs(r * 17).toString("yyyy-MM-ddTHH:mm:ss").toLatin1()
                    + "+01:00\r\n";
            }
        }
        QFile out(path);
        out.open(QIODevice::WriteOnly), out.write(text), out.close();

        table.setRows(1);
        const double readMs = timed([&] {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            DataFileReader reader(&file);
            QString item;
            while (reader.next(&item) == DataFileReader::Status::Item)
                table.addItem(item);
        });
        const double summaryMs = timed([&] {
            RecordSummary summary(settings);
            summary.addRows(table, 1);
            figures = summary.figures();
        });
        std::printf("35000 %s rows: read and split %.1f ms, summary %.1f ms (%.2fx; goal at most "
                    "2x), %lld temperature excursions\n",
                    dated ? "dated" : "undated", readMs, summaryMs, summaryMs / readMs,
                    qlonglong(figures.limits.value(0).excursions.size()));
    }

    FileListWindow list;
    for (int r = 1; r < table.rows(); ++r)
        list.model()->addItem(table.rowCells(r).join('\t'));
    QEventLoop loop;
    SummaryWindow *window = nullptr;
    bench::StallWatch opening(5);
    const double windowMs = timed([&] {
        window = SummaryWindow::openFor(&list, true);
        QObject::connect(window, &SummaryWindow::updated, &loop, &QEventLoop::quit);
        loop.exec();
    });
    const qint64 openingStall = opening.longest();
    // A recording going on: a row every 5 ms for 3 s, each second's figures shown anew.
    QTimer rows;
    int added = 0;
    QObject::connect(&rows, &QTimer::timeout, [&] {
        list.model()->addItem(table.rowCells(1 + added++ % 35000).join('\t'));
        if (added == 600)
            loop.quit();
    });
    bench::StallWatch following(5);
    rows.start(5);
    loop.exec();
    std::printf("Summary window: figures of 35000 rows after %.0f ms, longest stall %lld ms "
                "opening, %lld ms following 600 more rows (goal at most 50)\n",
                windowMs, qlonglong(openingStall), qlonglong(following.longest()));

    SummaryReport::Options options;
    options.fileName = QFileInfo(path).fileName();
    options.scales = SummaryReport::fittingScales(figures);
    QString error;
    const QString pdf = dir.filePath("week.pdf");
    const double reportMs = timed([&] {
        SummaryReport::write(pdf, { path }, SummaryReport::Rows::of(table), figures, options,
                             &error);
    });
    std::printf("report of 35000 rows: %.0f ms, %.0f kB%s\n", reportMs,
                QFileInfo(pdf).size() / 1024.0, qPrintable(error));
    return 0;
}
