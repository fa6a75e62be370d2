#include "meter/MeterProfile.h"

#include <QFile>
#include <QRegularExpression>

#include <cmath>

namespace dewscope {

namespace {

std::optional<MeterValue> valueOf(const QString &text)
{
    if (text == QLatin1String("OL") || text == QLatin1String("-OL"))
        return MeterValue::overload(text.startsWith(QLatin1Char('-')));
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number) || std::fabs(number) > 1638.3)
        return std::nullopt;
    return MeterValue::number(number);
}

MeterValue between(const MeterValue &a, const MeterValue &b, double fraction)
{
    if (!a.isNumber() || !b.isNumber())
        return a;
    return MeterValue::number(a.value() + (b.value() - a.value()) * fraction);
}

} // namespace

std::optional<MeterProfile> MeterProfile::parse(const QString &text, QString *error)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    MeterProfile profile;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines.at(n).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList words = line.split(blanks);
        const auto bad = [&](const QString &why) {
            *error = QStringLiteral("line %1: %2 (\"%3\")").arg(n + 1).arg(why, line);
            return std::nullopt;
        };
        Point point;
        bool ok = false;
        point.seconds = words.first().toDouble(&ok);
        if (!ok || !(point.seconds >= 0) || point.seconds > 366 * 86400.0)
            return bad(QStringLiteral("the seconds are not a number from 0 on"));
        if (!profile.m_points.isEmpty() && point.seconds < profile.m_points.last().seconds)
            return bad(QStringLiteral("the seconds go back"));
        if (words.size() == 2 && words.at(1) == QLatin1String("silent")) {
            point.silent = true;
        } else if (words.size() == 3) {
            const auto temperature = valueOf(words.at(1));
            const auto humidity = valueOf(words.at(2));
            if (!temperature || !humidity)
                return bad(QStringLiteral("a value is neither a number nor OL or -OL"));
            point.temperature = *temperature;
            point.humidity = *humidity;
        } else {
            return bad(QStringLiteral("want SECONDS TEMPERATURE HUMIDITY or SECONDS silent"));
        }
        profile.m_points.append(point);
    }
    if (profile.m_points.isEmpty()) {
        *error = QStringLiteral("the profile has no line");
        return std::nullopt;
    }
    return profile;
}

std::optional<MeterProfile> MeterProfile::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QString why;
    auto profile = parse(QString::fromUtf8(file.read(1 << 20)), &why);
    if (!profile)
        *error = path + QStringLiteral(", ") + why;
    return profile;
}

MeterProfile::State MeterProfile::at(double seconds) const
{
    int i = 0;
    while (i + 1 < m_points.size() && m_points.at(i + 1).seconds <= seconds)
        ++i;
    const Point &p = m_points.at(i);
    State state { p.silent, p.temperature, p.humidity };
    if (p.silent || i + 1 >= m_points.size() || seconds <= p.seconds)
        return state;
    const Point &next = m_points.at(i + 1);
    if (next.silent)
        return state;
    const double fraction = (seconds - p.seconds) / (next.seconds - p.seconds);
    state.temperature = between(p.temperature, next.temperature, fraction);
    state.humidity = between(p.humidity, next.humidity, fraction);
    return state;
}

} // namespace dewscope
