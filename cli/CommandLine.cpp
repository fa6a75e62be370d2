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
        { "ports", "ports [--port=LOCATION]",
          "List the COM numbers with their system locations and descriptions.", runPorts },
        { "monitor", "monitor --port=LOCATION [--duration=SECONDS]",
          "Poll a meter and print each reading; silence and recovery are reported.", runMonitor },
        { "simulate", "simulate [options]",
          "Run a simulated meter on a pseudo-terminal and print its path (see simulate --help).",
          runSimulate },
        { "record", "record --port=LOCATION --interval=SECONDS [--count=N] [--force] FILE",
          "Record readings into a data file without the window.", runRecord },
        { "memory", "memory IMAGE [--set=N]",
          "Print a memory image's start time, end time and set count, or the rows of set N.",
          runMemory },
        { "download", "download --port=LOCATION --out=IMAGE [--timeout=SECONDS] [--force]",
          "Wait for a meter's memory download, write the image to IMAGE and print its sets.",
          runDownload },
        { "plot", "plot FILE --png=OUT [options]",
          "Draw the plot of a data file as the plot window does and write it as PNG (no display "
          "needed).",
          runPlot },
        { "publish", "publish --port=LOCATION --broker=HOST[:PORT] [options]",
          "Publish the meter's readings to an MQTT broker, with availability and discovery, until "
          "SIGINT, SIGTERM or SIGHUP.",
          runPublish },
        { "print", "print FILE --pdf=OUT [--page=a4|letter]",
          "Print a data file's records as the Print key does, 45 to a page, to a PDF file.",
          runPrint },
        { "summary", "summary FILE [--temp-limits=LOW,HIGH] [--rh-limits=LOW,HIGH] [options]",
          "Minimum, maximum, mean, mean kinetic temperature, time outside the limits and each "
          "excursion of a data file.",
          runSummary },
        { "report", "report FILE --pdf=OUT [options]",
          "Write a PDF report of a data file: its times, plot, summary, excursions and figures "
          "per day, with the file's SHA-256 and a sign-off (see report --help).",
          runReport },
        { "watch",
          "watch --port=LOCATION [--temp-limits=LOW,HIGH] [--rh-limits=LOW,HIGH] [--unit=c|f] "
          "[--alarm-delay=S] [--hysteresis-temp=X] [--hysteresis-rh=X] [--silence-delay=S] "
          "[--alarm-log=FILE] [--alarm-exec=COMMAND] [--json]",
          "Watch the live readings for alarms (limits with a delay, a silent meter) and print "
          "each start, end and acknowledgement until SIGINT, SIGTERM or SIGHUP.",
          runWatch },
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
    out << "\nEvery command answers COMMAND --help. An option's value follows it as --name=value\n"
           "or --name value.\n"
           "Exit status: 0 on success, 1 on a failure, 2 on a usage error.\n";
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
            return command.run(args.mid(1), io);
        }
    }
    io.err << "dewscope-cli: unknown command '" << name << "' (try --help)\n";
    return UsageError;
}

} // namespace dewscope::cli
