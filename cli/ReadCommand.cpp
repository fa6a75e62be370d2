#include "cli/Command.h"
#include "cli/CommandOptions.h"

#include "recording/DataFile.h"
#include "recording/DataFileReader.h"

#include <QFile>

namespace dewscope::cli {

int runRead(const QStringList &arguments, Io &io)
{
    CommandOptions options("read", io);
    if (const auto code = options.parse(arguments))
        return *code;
    const QStringList args = options.positional();
    if (args.size() != 1) {
        io.err << "dewscope-cli read: give one data FILE\n";
        return UsageError;
    }
    // Only regular files: a FIFO would wait for a writer, a device may never end.
    const QString whyNot = DataFile::whyNotReadable(args.first());
    if (!whyNot.isEmpty()) {
        io.err << "dewscope-cli read: " << whyNot << "\n";
        return Failure;
    }
    QFile file(args.first());
    if (!file.open(QIODevice::ReadOnly)) {
        io.err << "dewscope-cli read: cannot open " << args.first() << ": " << file.errorString()
               << "\n";
        return Failure;
    }
    DataFileReader reader(&file);
    QString item;
    qint64 row = 0;
    while (reader.next(&item) == DataFileReader::Status::Item) {
        ++row;
        io.out << DataFile::splitCellsWithDate(item).join(QLatin1Char('\t')) << "\n";
        // The reader keeps at most MaxItemLength characters of an item and drops the rest.
        if (item.size() >= DataFileReader::MaxItemLength)
            io.err << "dewscope-cli read: row " << row << " is cut after "
                   << DataFileReader::MaxItemLength << " characters\n";
    }
    if (reader.hasError()) {
        io.err << "dewscope-cli read: reading " << args.first() << " failed: " << file.errorString()
               << "\n";
        return Failure;
    }
    return Success;
}

} // namespace dewscope::cli
