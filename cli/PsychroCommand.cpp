#include "cli/Command.h"
#include "cli/CommandOptions.h"

#include "meter/Psychrometrics.h"

#include <cstdio>

namespace dewscope::cli {

namespace {
QString exact(const MeterValue &value)
{
    if (!value.isNumber())
        return value.overloadText();
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", value.value());
    return QString::fromLatin1(buffer);
}
} // namespace

int runPsychro(const QStringList &arguments, Io &io)
{
    CommandOptions options("psychro", io);
    if (const auto code = options.parse(arguments))
        return *code;
    const QStringList args = options.positional();
    if (args.size() != 2) {
        io.err << "dewscope-cli psychro: give a temperature in °C and a relative humidity in %\n";
        return UsageError;
    }
    bool okT = false;
    bool okRh = false;
    const double t = args.at(0).toDouble(&okT);
    const double rh = args.at(1).toDouble(&okRh);
    if (!okT || !okRh) {
        io.err << "dewscope-cli psychro: T and RH must be numbers (\".\" as decimal mark)\n";
        return UsageError;
    }
    Reading reading;
    reading.tempC = MeterValue::number(t);
    reading.rh = MeterValue::number(rh);
    computeDewWet(reading, t, rh);
    if (!reading.dewC.isSet() || !reading.wetC.isSet() || !reading.dewF.isSet()) {
        io.err << "dewscope-cli psychro: dew point and wet bulb cannot be computed for "
               << args.at(0) << " °C and " << args.at(1) << " %\n";
        return Failure;
    }
    io.out << exact(reading.dewC) << '\t' << exact(reading.wetC) << '\t' << exact(reading.dewF)
           << '\t' << exact(reading.wetF) << "\n";
    return Success;
}

} // namespace dewscope::cli
