// A full memory (65,535 slots: two sets of 32,766 and 32,767 records) turned into the Data
// List: the set computation, the set load into a visible Data List against a plain
// decode-and-format loop over the same records in the same run, the longest event-loop stall
// during the load (10 ms heartbeat) with the caption updates counted, and the peak memory.
#include "memory/MemoryImage.h"
#include "memory/SetLoader.h"
#include "memory/SetRecords.h"
#include "meter/SimulatedMeter.h"
#include "tables/DataList.h"
#include "tables/RecordTableModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTimer>

#include <cstdio>

using namespace dewscope;

namespace {

long peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // Two sets of 32,766 records, then one slot more: the second set holds 32,767.
    QByteArray image = SimulatedMeter::makeMemoryImage(2, 32766, QTime(8, 0), 2);
    image.replace(8, 2, QByteArray::fromHex("FFFF"));
    image.append(SimulatedMeter::encodeValues(22.2, 44.4));
    std::printf("image: %lld bytes\n", static_cast<long long>(image.size()));

    constexpr int Repeats = 200;
    MemorySets sets;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < Repeats; ++i)
        MemoryImage::computeSets(image, &sets);
    std::printf("set computation: %.3f ms (S %d, R %d, %d sets)\n",
                double(clock.nsecsElapsed()) / 1e6 / Repeats, sets.slotCount, sets.setRecordCount,
                sets.setCount);

    const SetRecords records(image, sets, 2);
    Reading reading;
    ReadingTexts texts;
    clock.restart();
    QStringList plain;
    for (int i = 1; i <= records.available(); ++i)
        plain.append(records.row(i, reading, texts));
    const double plainMs = double(clock.nsecsElapsed()) / 1e6;

    DataList list;
    list.show();
    // The window's first paint is not part of the load.
    QSignalSpy(&list, &QObject::destroyed).wait(300);
    SetLoader loader(list.model(), records, &reading, &texts);
    int captions = 0;
    QObject::connect(&loader, &SetLoader::captionChanged, &list, [&](const QString &caption) {
        list.setWindowTitle(caption);
        ++captions;
    });
    QElapsedTimer beat;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longest = qMax(longest, beat.elapsed() - last);
        last = beat.elapsed();
    });
    QSignalSpy finished(&loader, &SetLoader::finished);
    clock.restart();
    beat.start();
    heartbeat.start();
    loader.start();
    finished.wait(120000);
    const double loadMs = double(clock.nsecsElapsed()) / 1e6;
    heartbeat.stop();

    std::printf("set 2: %d records; plain decode-and-format %.1f ms; Data List load %.1f ms "
                "(%.2f x plain, goal 5 x); rows %d, same cells %s\n",
                records.available(), plainMs, loadMs, loadMs / plainMs, list.model()->rows() - 1,
                list.model()->rowCells(list.model()->rows() - 1).join(QLatin1Char('\t'))
                        == plain.last()
                    ? "yes"
                    : "no");
    std::printf("longest event-loop stall %lld ms (goal 50 ms); %d caption updates\n",
                static_cast<long long>(longest), captions);
    std::printf("peak memory %ld KiB\n", peakKiB());
    return 0;
}
