#pragma once

#include <QStringList>
#include <QTextStream>

namespace dewscope::cli {

// Exit codes of every command.
enum ExitCode { Success = 0, Failure = 1, UsageError = 2 };

// The streams a command writes to; tests give it strings, main() gives it stdout and stderr.
struct Io
{
    QTextStream &out;
    QTextStream &err;
};

// Each command takes the arguments that follow its name; --help among them prints its help.
using CommandFunction = int (*)(const QStringList &args, Io &io);

struct Command
{
    const char *name;
    const char *usage;
    const char *summary;
    CommandFunction run;
};

int runDecode(const QStringList &args, Io &io);
int runPsychro(const QStringList &args, Io &io);
int runRead(const QStringList &args, Io &io);
int runPorts(const QStringList &args, Io &io);
int runMonitor(const QStringList &args, Io &io);
int runSimulate(const QStringList &args, Io &io);
int runRecord(const QStringList &args, Io &io);
int runMemory(const QStringList &args, Io &io);
int runDownload(const QStringList &args, Io &io);
int runPrint(const QStringList &args, Io &io);
// What memory IMAGE prints (setNumber < 0) or memory IMAGE --set N; shared with download.
int printMemory(const QByteArray &image, int setNumber, Io &io);
int runPlot(const QStringList &args, Io &io);
int runPublish(const QStringList &args, Io &io);
int runSummary(const QStringList &args, Io &io);
int runReport(const QStringList &args, Io &io);
int runWatch(const QStringList &args, Io &io);

// The table of commands, in the order --help lists them.
const QList<Command> &commands();

// Runs a whole command line (without the program name); used by main() and the tests.
int runCommandLine(const QStringList &args, Io &io);

} // namespace dewscope::cli
