#include "cli/Command.h"
#include "cli/CommandOptions.h"

#include "memory/MemoryImage.h"
#include "memory/SetRecords.h"
#include "meter/Reading.h"
#include "meter/ReadingTexts.h"

#include <QFile>
#include <QFileInfo>

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
    CommandOptions options("memory", io);
    options.add(QStringLiteral("set"), QStringLiteral("print the rows of set N"),
                QStringLiteral("N"));
    options.allowPositional(1);
    if (const auto code = options.parse(args))
        return *code;
    qint64 setNumber = -1;
    if (options.isSet(QStringLiteral("set"))) {
        bool ok = false;
        setNumber = options.value(QStringLiteral("set")).toLongLong(&ok);
        if (!ok || setNumber < 0)
            return options.usageError(QStringLiteral("--set wants a set number"));
        setNumber = qMin<qint64>(setNumber, 1 << 20); // beyond any set count
    }
    const QString path = options.positional().value(0);
    if (path.isEmpty())
        return options.usageError(QStringLiteral("give a memory IMAGE file"));
    // Regular files only: a FIFO would hold the command until a writer comes.
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile())
        return options.failure(
            path
            + QStringLiteral(" is not a regular file (a folder, device, pipe "
                             "or socket) and cannot be read as a memory image."));
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
