#include "cli/Command.h"

namespace dewscope::cli {

const QList<Command> &commands()
{
    static const QList<Command> table = {
        { "decode", "decode FRAME...",
          "Decode live frames given as 12 hex digits each (e.g. 0200FA01F403), in turn as the "
          "live poll would.",
          runDecode },
        { "psychro", "psychro T RH",
          "Dew point and wet bulb (°C, °F) of temperature T °C at relative humidity RH %.",
          runPsychro },
        { "read", "read FILE",
          "Read a data file; print the nine cells of every row it gives (regular files only).",
          runRead },
        { "ports", "ports [--port LOCATION]",
          "List the COM numbers with their system locations and descriptions.", runPorts },
        { "monitor", "monitor --port LOCATION [--duration SECONDS]",
          "Poll a meter and print each reading; silence and recovery are reported.",
          runMonitor },
        { "simulate", "simulate [options]",
          "Run a simulated meter on a pseudo-terminal and print its path (see simulate --help).",
          runSimulate,
          "Prints the pseudo-terminal's path on its first line, then sends live frames until\n"
          "SIGINT or SIGTERM.\n"
          "  --interval MS          time between frames (default 500)\n"
          "  --temperature T        temperature in °C (default 25.0), or OL / -OL for over range\n"
          "  --humidity RH          relative humidity in % (default 50.0), or OL / -OL\n"
          "  --fixed                send the values unchanged (by default they drift slowly)\n"
          "  --download-sets N --download-records M [--download-start hh:mm:ss]\n"
          "                         [--download-interval S]\n"
          "                         send a memory download of N sets of M records each\n"
          "                         (start 10:00:00, 60 s between records by default)\n"
          "  --download-file FILE   send the bytes of FILE as the memory image instead\n"
          "  --download-after S     seconds before the download starts (default 5)\n"
          "  --silence-after S --silence-for S\n"
          "                         fall silent after S seconds, for S seconds\n"
          "  --link PATH            keep a symbolic link PATH to the pseudo-terminal\n"
          "  --seed N               seed of the drift, for a repeatable run\n"
          "  --duration S           stop after S seconds" },
        { "record", "record --port LOCATION --interval SECONDS [--count N] [--force] FILE",
          "Record readings into a data file without the window.", runRecord,
          "Samples every SECONDS (1 to 86400) until N records, 35000 records, SIGINT or SIGTERM.\n"
          "  --force                overwrite FILE when it already holds data (refused otherwise)\n"
          "Samples that cannot be written (a full disk) are reported on stderr and tried again;\n"
          "the exit status is then 1, and the summary gives the samples missed." },
        { "memory", "memory IMAGE [--set N]",
          "Print a memory image's start time, end time and set count, or the rows of set N.",
          runMemory },
        { "download", "download --port LOCATION --out IMAGE [--timeout SECONDS]",
          "Wait for a meter's memory download, write the image to IMAGE and print its sets.",
          runDownload },
        { "plot", "plot FILE --png OUT [options]",
          "Draw the plot of a data file as the plot window does and write it as PNG (no display "
          "needed).",
          runPlot,
          "  --size WIDTHxHEIGHT    the window's client area in pixels (default 659x518)\n"
          "  --from N --to M        the span of rows (the whole table by default)\n"
          "  --celsius MIN,MAX      the temperature scale in °C (default -20,60)\n"
          "  --fahrenheit MIN,MAX   the temperature scale in °F\n"
          "  --rh MIN,MAX           the humidity scale in % (default 0,100)\n"
          "Ranges are checked as the range dialog checks them; a refusal prints its message." },
        { "print", "print FILE --pdf OUT [--page a4|letter]",
          "Print a data file's records as the Print key does, 45 to a page, to a PDF file.",
          runPrint },
    };
    return table;
}

namespace {
void printHelp(QTextStream &out)
{
    out << "Usage: dewscope-cli COMMAND [ARGUMENTS]\n"
           "       dewscope-cli --version\n"
           "Checks a humidity-temperature meter's bytes and data files without the window.\n\n"
           "Commands:\n";
    for (const Command &command : commands()) {
        out << "  " << command.usage << "\n      " << QString::fromUtf8(command.summary) << "\n";
    }
    out << "\nExit status: 0 on success, 1 on a failure, 2 on a usage error.\n";
}
} // namespace

int runCommandLine(const QStringList &args, Io &io)
{
    if (args.isEmpty()) {
        printHelp(io.err);
        return UsageError;
    }
    const QString name = args.first();
    if (name == QLatin1String("--help") || name == QLatin1String("-h")
        || name == QLatin1String("help")) {
        printHelp(io.out);
        return Success;
    }
    for (const Command &command : commands()) {
        if (name == QLatin1String(command.name)) {
            const QStringList rest = args.mid(1);
            if (rest.contains(QLatin1String("--help"))) {
                io.out << "Usage: dewscope-cli " << command.usage << "\n"
                       << QString::fromUtf8(command.summary) << "\n";
                if (command.details)
                    io.out << QString::fromUtf8(command.details) << "\n";
                return Success;
            }
            return command.run(rest, io);
        }
    }
    io.err << "dewscope-cli: unknown command '" << name << "' (try --help)\n";
    return UsageError;
}

} // namespace dewscope::cli
