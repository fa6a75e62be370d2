#include "alarms/AlarmMonitor.h"

#include "meter/ReadingTexts.h"

#include <cmath>
#include <limits>

namespace dewscope {

namespace {

MeterValue fromText(const QString &text)
{
    if (text == QLatin1String("OL") || text == QLatin1String("-OL"))
        return MeterValue::overload(text.startsWith(QLatin1Char('-')));
    bool ok = false;
    const double number = text.toDouble(&ok);
    return ok && std::isfinite(number) ? MeterValue::number(number) : MeterValue();
}

// "OL" above every number, "-OL" below.
double rank(const MeterValue &value)
{
    switch (value.kind()) {
    case MeterValue::Kind::Overload:
        return std::numeric_limits<double>::infinity();
    case MeterValue::Kind::NegativeOverload:
        return -std::numeric_limits<double>::infinity();
    default:
        return value.value();
    }
}

enum class Place { Inside, Below, Above, Missing };

Place placeOf(const MeterValue &value, const SummaryLimits &limits)
{
    if (!value.isSet())
        return Place::Missing;
    const double v = rank(value);
    if (limits.low && v < *limits.low)
        return Place::Below;
    if (limits.high && v > *limits.high)
        return Place::Above;
    return Place::Inside;
}

Place placeOf(AlarmSide side)
{
    return side == AlarmSide::Below ? Place::Below : Place::Above;
}

} // namespace

AlarmReading AlarmReading::fromTexts(const ReadingTexts &texts, bool fahrenheit, qint64 monotonicMs,
                                     const QDateTime &time)
{
    return { fromText(fahrenheit ? texts.tempF : texts.tempC), fromText(texts.rh), monotonicMs,
             time };
}

AlarmMonitor::AlarmMonitor(const AlarmSettings &settings)
    : m_settings(settings)
{
}

const SummaryLimits &AlarmMonitor::limitsOf(AlarmChannel channel) const
{
    return channel == AlarmChannel::Temperature ? m_settings.temperature : m_settings.humidity;
}

QList<AlarmEvent> AlarmMonitor::setSettings(const AlarmSettings &settings, qint64 monotonicMs,
                                            const QDateTime &time)
{
    const bool unitChanged = settings.fahrenheit != m_settings.fahrenheit;
    m_settings = settings;
    QList<AlarmEvent> events;
    for (AlarmChannel channel : { AlarmChannel::Temperature, AlarmChannel::Humidity }) {
        Track &track = m_tracks[int(channel)];
        if (track.state == State::Pending)
            track.state = State::Normal;
        if (track.state == State::Normal)
            continue;
        const SummaryLimits &limits = limitsOf(channel);
        const std::optional<double> &limit
            = track.side == AlarmSide::Below ? limits.low : limits.high;
        if (!limit || (unitChanged && channel == AlarmChannel::Temperature))
            events.append(ended(channel, &track, monotonicMs, time));
        else
            track.limit = *limit;
    }
    Track &meter = m_tracks[int(AlarmChannel::Meter)];
    if (meter.state != State::Normal && !(m_settings.silenceDelay > 0))
        events.append(ended(AlarmChannel::Meter, &meter, monotonicMs, time));
    return events;
}

void AlarmMonitor::start(qint64 monotonicMs)
{
    m_lastReadingMs = monotonicMs;
    m_lastReadingTime = QDateTime();
}

QList<AlarmEvent> AlarmMonitor::addReading(const AlarmReading &reading)
{
    QList<AlarmEvent> events;
    Track &meter = m_tracks[int(AlarmChannel::Meter)];
    if (meter.state != State::Normal)
        events.append(ended(AlarmChannel::Meter, &meter, reading.monotonicMs, reading.time));
    m_lastReadingMs = reading.monotonicMs;
    m_lastReadingTime = reading.time;
    follow(AlarmChannel::Temperature, reading.temperature, reading, &events);
    follow(AlarmChannel::Humidity, reading.humidity, reading, &events);
    return events;
}

void AlarmMonitor::follow(AlarmChannel channel, const MeterValue &value,
                          const AlarmReading &reading, QList<AlarmEvent> *events)
{
    Track &track = m_tracks[int(channel)];
    const SummaryLimits &limits = limitsOf(channel);
    const Place place = placeOf(value, limits);
    if (track.state == State::Active || track.state == State::Acknowledged) {
        if (place == Place::Missing)
            return;
        const double h = channel == AlarmChannel::Temperature
            ? m_settings.temperatureHysteresisValue()
            : m_settings.humidityHysteresis;
        const double v = rank(value);
        const bool back
            = track.side == AlarmSide::Above ? v <= track.limit - h : v >= track.limit + h;
        track.value = value;
        if (!back) {
            if (track.side == AlarmSide::Above ? v > rank(track.extreme) : v < rank(track.extreme))
                track.extreme = value;
            return;
        }
        events->append(ended(channel, &track, reading.monotonicMs, reading.time));
    }
    if (track.state == State::Pending && place != placeOf(track.side))
        track.state = State::Normal;
    if (place != Place::Below && place != Place::Above)
        return;
    if (track.state == State::Normal) {
        track.state = State::Pending;
        track.side = place == Place::Below ? AlarmSide::Below : AlarmSide::Above;
        track.sinceMs = reading.monotonicMs;
        track.since = reading.time;
        track.extreme = value;
    } else if (track.side == AlarmSide::Above ? rank(value) > rank(track.extreme)
                                              : rank(value) < rank(track.extreme)) {
        track.extreme = value;
    }
    track.value = value;
    if (reading.monotonicMs - track.sinceMs >= qint64(std::llround(m_settings.delay * 1000))) {
        track.state = State::Active;
        track.limit = track.side == AlarmSide::Below ? *limits.low : *limits.high;
        events->append(event(AlarmEvent::Kind::Start, channel, track, reading.time));
    }
}

QList<AlarmEvent> AlarmMonitor::checkSilence(qint64 monotonicMs, const QDateTime &time)
{
    const qint64 due = silenceDue();
    if (due < 0 || monotonicMs < due)
        return {};
    Track &meter = m_tracks[int(AlarmChannel::Meter)];
    meter.state = State::Active;
    meter.side = AlarmSide::Silent;
    meter.sinceMs = m_lastReadingMs;
    // Before the first reading the silence began when watching did.
    meter.since = m_lastReadingTime.isValid() ? m_lastReadingTime
                                              : time.addMSecs(m_lastReadingMs - monotonicMs);
    meter.value = meter.extreme = MeterValue();
    for (Track &track : m_tracks) {
        if (track.state == State::Pending)
            track.state = State::Normal;
    }
    return { event(AlarmEvent::Kind::Start, AlarmChannel::Meter, meter, time) };
}

qint64 AlarmMonitor::silenceDue() const
{
    if (!(m_settings.silenceDelay > 0) || m_lastReadingMs < 0
        || m_tracks[int(AlarmChannel::Meter)].state != State::Normal)
        return -1;
    return m_lastReadingMs + qint64(std::llround(m_settings.silenceDelay * 1000));
}

QList<AlarmEvent> AlarmMonitor::acknowledge(const QDateTime &time)
{
    QList<AlarmEvent> events;
    for (int c = 0; c < AlarmChannelCount; ++c) {
        Track &track = m_tracks[c];
        if (track.state != State::Active)
            continue;
        track.state = State::Acknowledged;
        events.append(event(AlarmEvent::Kind::Ack, AlarmChannel(c), track, time));
    }
    return events;
}

std::optional<AlarmEvent> AlarmMonitor::current(AlarmChannel channel) const
{
    const Track &track = m_tracks[int(channel)];
    if (track.state != State::Active && track.state != State::Acknowledged)
        return std::nullopt;
    return event(AlarmEvent::Kind::Start, channel, track, QDateTime());
}

bool AlarmMonitor::anyActive() const
{
    for (const Track &track : m_tracks) {
        if (track.state == State::Active || track.state == State::Acknowledged)
            return true;
    }
    return false;
}

bool AlarmMonitor::needsReminder() const
{
    for (const Track &track : m_tracks) {
        if (track.state == State::Active)
            return true;
    }
    return false;
}

AlarmEvent AlarmMonitor::event(AlarmEvent::Kind kind, AlarmChannel channel, const Track &track,
                               const QDateTime &time) const
{
    AlarmEvent e;
    e.kind = kind;
    e.channel = channel;
    e.side = track.side;
    e.value = track.value;
    if (channel != AlarmChannel::Meter) {
        e.limit = track.limit;
        e.unit = channel == AlarmChannel::Temperature ? m_settings.temperatureUnit()
                                                      : QStringLiteral("%RH");
    }
    e.since = track.since;
    e.time = time;
    return e;
}

AlarmEvent AlarmMonitor::ended(AlarmChannel channel, Track *track, qint64 monotonicMs,
                               const QDateTime &time)
{
    AlarmEvent e = event(AlarmEvent::Kind::End, channel, *track, time);
    e.seconds = double(monotonicMs - track->sinceMs) / 1000.0;
    e.extreme = track->extreme;
    track->state = State::Normal;
    return e;
}

} // namespace dewscope
