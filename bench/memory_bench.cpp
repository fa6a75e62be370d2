// A full memory (65,535 slots: two sets of 32,766 and 32,767 records) turned into the Data
// List: the set computation; the load of set 2 into a visible Data List against a plain
// decode-and-format loop over the same records in the same run; the longest event-loop stall
// during the load (10 ms heartbeat), with the caption updates counted; the peak memory.
#include "bench/StallWatch.h"
#include "memory/MemoryImage.h"
#include "memory/SetLoader.h"
#include "meter/SimulatedMeter.h"
#include "tables/DataListWindow.h"
#include "tables/RecordTableModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <cstdio>
#include <sys/resource.h>

using namespace dewscope;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QByteArray image = SimulatedMeter::makeMemoryImage(2, 32766, QTime(8, 0), 2);
    image.replace(8, 2, "\xFF\xFF").append(SimulatedMeter::encodeValues(22.2, 44.4));

    MemorySets sets;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 100; ++i)
        MemoryImage::computeSets(image, &sets);
    std::printf("set computation: %.3f ms (%d slots, %d records a set, %d sets)\n",
                clock.nsecsElapsed() / 1e8, sets.slotCount, sets.setRecordCount, sets.setCount);

    const SetRecords records(image, sets, 2);
    Reading reading;
    ReadingTexts texts;
    QStringList plain;
    clock.restart();
    for (int i = 1; i <= records.available(); ++i)
        plain.append(records.row(i, reading, texts));
    const double plainMs = clock.nsecsElapsed() / 1e6;

    DataListWindow list;
    list.show();
    QSignalSpy(&list, &QObject::destroyed).wait(300); // the first paint is not the load's
    SetLoader loader(list.model(), records, &reading, &texts);
    QSignalSpy captions(&loader, &SetLoader::captionChanged);
    QObject::connect(&loader, &SetLoader::captionChanged, &list, &QWidget::setWindowTitle);
    QSignalSpy finished(&loader, &SetLoader::finished);
    clock.restart();
    bench::StallWatch stalls(10);
    loader.start();
    finished.wait(120000);
    const qint64 longest = stalls.longest();
    const double loadMs = clock.nsecsElapsed() / 1e6;
    std::printf("set 2, %d rows: plain decode-and-format %.1f ms, Data List %.1f ms (%.2f x, goal "
                "5 x)\n",
                list.model()->rows() - 1, plainMs, loadMs, loadMs / plainMs);
    std::printf("longest event-loop stall %lld ms (goal 50 ms), %lld caption updates\n",
                static_cast<long long>(longest), static_cast<long long>(captions.count()));
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory %ld KiB\n", usage.ru_maxrss);
    return 0;
}
