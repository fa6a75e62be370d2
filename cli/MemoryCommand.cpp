#include "cli/Command.h"

#include "memory/MemoryImage.h"
#include "memory/SetRecords.h"
#include "meter/Reading.h"
#include "meter/ReadingTexts.h"

#include <QFile>

namespace dewscope::cli {

namespace {
// A memory image no larger than the meter can hold, with room for stray bytes after it.
constexpr qint64 MaxImageBytes = 4 * 1024 * 1024;
} // namespace

int printMemory(const QByteArray &image, int setNumber, Io &io)
{
    MemorySets sets;
    if (MemoryImage::computeSets(image, &sets) != MemoryImage::Fault::None) {
        io.err << MemoryImage::faultTitle() << "\n" << MemoryImage::faultAdvice() << "\n";
        return Failure;
    }
    if (setNumber < 0) {
        io.out << sets.startTime << '\t' << sets.endTime << '\t' << sets.setCount << "\n";
        return Success;
    }
    if (!sets.isSetNumber(setNumber)) {
        io.err << "Invalid, try again!\n";
        return Failure;
    }
    const SetRecords records(image, sets, setNumber);
    Reading reading;
    ReadingTexts texts;
    for (int i = 1; i <= records.available(); ++i)
        io.out << records.row(i, reading, texts) << "\n";
    if (!records.hasTimes())
        io.err << "dewscope-cli memory: the starting time " << sets.startTime
               << " is no time of day: the rows carry no time\n";
    if (records.missing() > 0) {
        io.err << "dewscope-cli memory: the image ends before the last " << records.missing()
               << " of the " << records.count() << " records of set " << setNumber << "\n";
        return Failure;
    }
    return Success;
}

int runMemory(const QStringList &args, Io &io)
{
    QString path;
    qint64 setNumber = -1;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--set") && i + 1 < args.size()) {
            bool ok = false;
            setNumber = args.at(++i).toLongLong(&ok);
            if (!ok || setNumber < 0) {
                io.err << "dewscope-cli memory: --set wants a set number\n";
                return UsageError;
            }
            setNumber = qMin<qint64>(setNumber, 1 << 20); // beyond any set count
        } else if (path.isEmpty() && !arg.startsWith(QLatin1String("--"))) {
            path = arg;
        } else {
            io.err << "dewscope-cli memory: unexpected argument '" << arg << "'\n";
            return UsageError;
        }
    }
    if (path.isEmpty()) {
        io.err << "dewscope-cli memory: give a memory IMAGE file\n";
        return UsageError;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        io.err << "dewscope-cli memory: cannot open " << path << ": " << file.errorString() << "\n";
        return Failure;
    }
    const QByteArray image = file.read(MaxImageBytes + 1);
    if (image.size() > MaxImageBytes) {
        io.err << "dewscope-cli memory: " << path << " is larger than any memory image\n";
        return Failure;
    }
    return printMemory(image, int(setNumber), io);
}

} // namespace dewscope::cli
