#include "cli/Command.h"
#include "cli/CommandOptions.h"
#include "cli/StopSignals.h"

#include "meter/ProfilePlayer.h"
#include "meter/SimulatedMeter.h"

#include <QEventLoop>
#include <QFile>
#include <QTime>
#include <QTimer>

#include <cmath>
#include <optional>

namespace dewscope::cli {

namespace {

struct SimulateOptions
{
    int intervalMs = 500;
    double temperature = 25.0;
    double humidity = 50.0;
    bool temperatureOverRange = false;
    bool temperatureNegative = false;
    bool humidityOverRange = false;
    bool humidityNegative = false;
    bool fixed = false;
    int downloadSets = 0;
    int downloadRecords = 0;
    QTime downloadStart = QTime(10, 0, 0);
    int downloadInterval = 60;
    QString downloadFile;
    double downloadAfter = 5.0;
    double silenceAfter = -1;
    double silenceFor = 0;
    double duration = 0;
    QString linkPath;
    QString profile;
    std::optional<quint32> seed;
};

// A value or the meter's over-range texts "OL" and "-OL".
bool parseValue(const QString &text, double *value, bool *overRange, bool *negative)
{
    if (text == QLatin1String("OL") || text == QLatin1String("-OL")) {
        *overRange = true;
        *negative = text.startsWith(QLatin1Char('-'));
        return true;
    }
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number) || std::fabs(number) > 1638.3)
        return false;
    *value = number;
    return true;
}

bool parseSeconds(const QString &text, double *seconds)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !(value >= 0) || value > 7 * 86400)
        return false;
    *seconds = value;
    return true;
}

// The simulator's options, each with its help line.
void declareOptions(CommandOptions *options)
{
    const auto add = [options](const char *name, const char *valueName, const char *text) {
        options->add(QString::fromLatin1(name), QString::fromUtf8(text),
                     QString::fromLatin1(valueName));
    };
    add("interval", "MS", "time between frames in milliseconds (default 500)");
    add("temperature", "T", "temperature in °C (default 25.0), or OL / -OL for over range");
    add("humidity", "RH", "relative humidity in % (default 50.0), or OL / -OL");
    add("fixed", "", "send the values unchanged (by default they drift slowly)");
    add("download-sets", "N", "send a memory download of N sets ...");
    add("download-records", "M", "... of M records each");
    add("download-start", "hh:mm:ss", "the download's starting time (default 10:00:00)");
    add("download-interval", "S", "seconds between the download's records (default 60)");
    add("download-file", "FILE", "send the bytes of FILE as the memory image instead");
    add("download-after", "S", "seconds before the download starts (default 5)");
    add("silence-after", "S", "fall silent after S seconds ...");
    add("silence-for", "S", "... for S seconds");
    add("link", "PATH", "keep a symbolic link PATH to the pseudo-terminal");
    add("seed", "N", "seed of the drift, for a repeatable run");
    add("duration", "S", "stop after S seconds");
    add("profile", "FILE",
        "follow the script in FILE: lines of SECONDS TEMPERATURE HUMIDITY or SECONDS silent");
    options->addNote(QStringLiteral("Prints the pseudo-terminal's path on its first line, then "
                                    "sends live frames until SIGINT, SIGTERM or SIGHUP."));
}

// Returns an error text, empty when the arguments are good.
QString parseOptions(const CommandOptions &args, SimulateOptions *options)
{
    if (!args.positional().isEmpty())
        return QStringLiteral("unexpected argument '%1'").arg(args.positional().first());
    options->fixed = args.isSet(QStringLiteral("fixed"));
    static const char *const valued[] = { "interval",
                                          "temperature",
                                          "humidity",
                                          "download-sets",
                                          "download-records",
                                          "download-start",
                                          "download-interval",
                                          "download-file",
                                          "download-after",
                                          "silence-after",
                                          "silence-for",
                                          "duration",
                                          "link",
                                          "profile",
                                          "seed" };
    for (const char *name : valued) {
        const QString arg = QString::fromLatin1(name);
        if (!args.isSet(arg))
            continue;
        const QString value = args.value(arg);
        bool ok = true;
        if (arg == QLatin1String("interval")) {
            options->intervalMs = value.toInt(&ok);
            ok = ok && options->intervalMs >= 10 && options->intervalMs <= 3600000;
        } else if (arg == QLatin1String("temperature")) {
            ok = parseValue(value, &options->temperature, &options->temperatureOverRange,
                            &options->temperatureNegative);
        } else if (arg == QLatin1String("humidity")) {
            ok = parseValue(value, &options->humidity, &options->humidityOverRange,
                            &options->humidityNegative);
        } else if (arg == QLatin1String("download-sets")) {
            options->downloadSets = value.toInt(&ok);
            ok = ok && options->downloadSets >= 1;
        } else if (arg == QLatin1String("download-records")) {
            options->downloadRecords = value.toInt(&ok);
            ok = ok && options->downloadRecords >= 1;
        } else if (arg == QLatin1String("download-start")) {
            options->downloadStart = QTime::fromString(value, QStringLiteral("hh:mm:ss"));
            ok = options->downloadStart.isValid();
        } else if (arg == QLatin1String("download-interval")) {
            options->downloadInterval = value.toInt(&ok);
            ok = ok && options->downloadInterval >= 1 && options->downloadInterval <= 255;
        } else if (arg == QLatin1String("download-file")) {
            options->downloadFile = value;
        } else if (arg == QLatin1String("download-after")) {
            ok = parseSeconds(value, &options->downloadAfter);
        } else if (arg == QLatin1String("silence-after")) {
            ok = parseSeconds(value, &options->silenceAfter);
        } else if (arg == QLatin1String("silence-for")) {
            ok = parseSeconds(value, &options->silenceFor);
        } else if (arg == QLatin1String("duration")) {
            ok = parseSeconds(value, &options->duration) && options->duration > 0;
        } else if (arg == QLatin1String("link")) {
            options->linkPath = value;
        } else if (arg == QLatin1String("profile")) {
            options->profile = value;
        } else if (arg == QLatin1String("seed")) {
            options->seed = value.toUInt(&ok);
        }
        if (!ok)
            return QStringLiteral("bad value '%1' for --%2").arg(value, arg);
    }
    const bool generated = options->downloadSets > 0 || options->downloadRecords > 0;
    if (generated && !options->downloadFile.isEmpty())
        return QStringLiteral("give either --download-sets/--download-records or --download-file");
    if (generated && (options->downloadSets == 0 || options->downloadRecords == 0))
        return QStringLiteral("--download-sets and --download-records go together");
    if (generated && qint64(options->downloadSets) * (options->downloadRecords + 1) > 0xFFFF)
        return QStringLiteral("the memory holds at most 65535 slots (sets x (records + 1))");
    if (options->silenceAfter >= 0 && !(options->silenceFor > 0))
        return QStringLiteral("--silence-after needs --silence-for SECONDS");
    return QString();
}

} // namespace

int runSimulate(const QStringList &args, Io &io)
{
    CommandOptions line("simulate", io);
    declareOptions(&line);
    if (const auto code = line.parse(args))
        return *code;
    SimulateOptions options;
    const QString problem = parseOptions(line, &options);
    if (!problem.isEmpty())
        return line.usageError(problem);

    QByteArray image;
    if (!options.downloadFile.isEmpty()) {
        QFile file(options.downloadFile);
        if (!file.open(QIODevice::ReadOnly)) {
            io.err << "dewscope-cli simulate: cannot read " << options.downloadFile << ": "
                   << file.errorString() << '\n';
            return Failure;
        }
        image = file.read(11 + 4 * 0xFFFF + 4096);
    } else if (options.downloadSets > 0) {
        image = SimulatedMeter::makeMemoryImage(options.downloadSets, options.downloadRecords,
                                                options.downloadStart, options.downloadInterval);
    }
    const bool download = !options.downloadFile.isEmpty() || options.downloadSets > 0;
    std::optional<MeterProfile> profile;
    if (!options.profile.isEmpty()) {
        QString error;
        profile = MeterProfile::load(options.profile, &error);
        if (!profile) {
            io.err << "dewscope-cli simulate: " << error << '\n';
            return Failure;
        }
    }

    SimulatedMeter meter;
    if (options.seed)
        meter.setSeed(*options.seed);
    meter.setFrameInterval(options.intervalMs);
    meter.setValues(options.temperature, options.humidity);
    meter.setDrift(!options.fixed);
    meter.setTemperatureOverRange(options.temperatureOverRange, options.temperatureNegative);
    meter.setHumidityOverRange(options.humidityOverRange, options.humidityNegative);
    meter.setLinkPath(options.linkPath);
    // The profile's seconds count from the meter's start; its first frame already follows it.
    std::optional<ProfilePlayer> player;
    if (profile) {
        player.emplace(&meter, *profile);
        player->start();
    }
    QString error;
    if (!meter.open(&error)) {
        io.err << "dewscope-cli simulate: " << error << '\n';
        return Failure;
    }
    io.out << (options.linkPath.isEmpty() ? meter.path() : options.linkPath) << '\n';
    io.out.flush();

    QEventLoop loop;
    auto note = [&io](const QString &text) {
        io.err << "dewscope-cli simulate: " << text << '\n';
        io.err.flush();
    };
    QObject::connect(&meter, &SimulatedMeter::downloadSent, &loop,
                     [&] { note(QStringLiteral("memory download sent")); });
    if (download) {
        QTimer::singleShot(static_cast<int>(options.downloadAfter * 1000), &loop, [&] {
            note(QStringLiteral("sending a memory download of %1 bytes").arg(image.size()));
            meter.sendDownload(image);
        });
    }
    if (options.silenceAfter >= 0) {
        QTimer::singleShot(static_cast<int>(options.silenceAfter * 1000), &loop, [&] {
            note(QStringLiteral("silent"));
            meter.setSilent(true);
            QTimer::singleShot(static_cast<int>(options.silenceFor * 1000), &loop, [&] {
                note(QStringLiteral("sending again"));
                meter.setSilent(false);
            });
        });
    }

    StopSignals stop;
    QObject::connect(&stop, &StopSignals::stopRequested, &loop, &QEventLoop::quit);
    if (options.duration > 0)
        QTimer::singleShot(static_cast<int>(options.duration * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    meter.close();
    return Success;
}

} // namespace dewscope::cli
