#include "cli/Command.h"

#include "recording/DataFile.h"
#include "recording/DataFileReader.h"

#include <QFile>

namespace dewscope::cli {

int runRead(const QStringList &args, Io &io)
{
    if (args.size() != 1) {
        io.err << "dewscope-cli read: give one data FILE\n";
        return UsageError;
    }
    QFile file(args.first());
    if (!file.open(QIODevice::ReadOnly)) {
        io.err << "dewscope-cli read: cannot open " << args.first() << ": " << file.errorString()
               << "\n";
        return Failure;
    }
    DataFileReader reader(&file);
    QString item;
    while (reader.next(&item) == DataFileReader::Status::Item)
        io.out << DataFile::splitCells(item).join(QLatin1Char('\t')) << "\n";
    if (reader.hasError()) {
        io.err << "dewscope-cli read: reading " << args.first() << " failed: " << file.errorString()
               << "\n";
        return Failure;
    }
    return Success;
}

} // namespace dewscope::cli
