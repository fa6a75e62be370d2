#include "cli/AlarmOptions.h"

#include "cli/SummaryInput.h"

#include "alarms/AlarmCommands.h"

namespace dewscope::cli {

namespace {

const char *const Names[]
    = { "temp-limits",   "rh-limits",     "unit",      "alarm-delay", "hysteresis-temp",
        "hysteresis-rh", "silence-delay", "alarm-log", "alarm-exec" };

} // namespace

void AlarmOptions::addOptions(CommandOptions &options)
{
    const auto add = [&options](const char *name, const char *valueName, const char *text) {
        options.add(QString::fromLatin1(name), QString::fromUtf8(text),
                    QString::fromLatin1(valueName));
    };
    add("temp-limits", "LOW,HIGH",
        "temperature alarm limits in the unit of --unit (,8 is a high limit only)");
    add("rh-limits", "LOW,HIGH", "humidity alarm limits in %");
    add("unit", "c|f", "c (default) or f: the unit of the temperature limits");
    add("alarm-delay", "S",
        "seconds a reading must stay outside a limit before it alarms (default 0)");
    add("hysteresis-temp", "X",
        "how far back inside a temperature alarm must come to end (default 0.5 °C, 0.9 °F)");
    add("hysteresis-rh", "X", "the same for humidity, in % (default 2)");
    add("silence-delay", "S",
        "seconds without a reading before the meter alarms as silent (default 60; 0: never)");
    add("alarm-log", "FILE", "append each alarm event to FILE as a TAB-separated line");
    add("alarm-exec", "COMMAND",
        "run COMMAND for each alarm event, split into words as a shell would but never through "
        "one, the event in DEWSCOPE_* variables");
}

std::optional<int> AlarmOptions::read(const CommandOptions &options)
{
    for (const char *name : Names)
        given = given || options.isSet(QString::fromLatin1(name));
    const QString unit = options.value(QStringLiteral("unit"), QStringLiteral("c")).toLower();
    if (unit != QLatin1String("c") && unit != QLatin1String("f"))
        return options.usageError(QStringLiteral("--unit takes c or f"));
    settings.fahrenheit = unit == QLatin1String("f");
    if (const auto bad = readLimits(options, QStringLiteral("temp-limits"), &settings.temperature))
        return bad;
    if (const auto bad = readLimits(options, QStringLiteral("rh-limits"), &settings.humidity))
        return bad;
    int code = Success;
    const double maxDelay = AlarmSettings::MaxDelay;
    settings.delay = options.number(QStringLiteral("alarm-delay"), 0, maxDelay, &code).value_or(0);
    settings.silenceDelay = options.number(QStringLiteral("silence-delay"), 0, maxDelay, &code)
                                .value_or(AlarmSettings::DefaultSilenceDelay);
    settings.temperatureHysteresis
        = options.number(QStringLiteral("hysteresis-temp"), 0, 100, &code);
    settings.humidityHysteresis = options.number(QStringLiteral("hysteresis-rh"), 0, 100, &code)
                                      .value_or(AlarmSettings::DefaultHysteresisRh);
    if (code != Success)
        return code;
    const QString problem = settings.problem();
    if (!problem.isEmpty())
        return options.usageError(problem);
    logPath = options.value(QStringLiteral("alarm-log"));
    if (options.isSet(QStringLiteral("alarm-exec"))) {
        QString error;
        const auto words
            = AlarmCommands::split(options.value(QStringLiteral("alarm-exec")), &error);
        if (!words)
            return options.usageError(QStringLiteral("--alarm-exec: ") + error);
        command = *words;
    }
    return std::nullopt;
}

} // namespace dewscope::cli
