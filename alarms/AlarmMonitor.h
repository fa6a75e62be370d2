#pragma once

#include "alarms/AlarmEvent.h"
#include "alarms/AlarmSettings.h"

#include <QList>

namespace dewscope {

struct ReadingTexts;

// One decoded reading as the alarms see it: the temperature in the alarms' unit and the
// humidity, as displayed (one decimal, "OL", "-OL", unset when missing), with the monotonic time
// that delays are measured on and the system time that events carry.
struct AlarmReading
{
    MeterValue temperature;
    MeterValue humidity;
    qint64 monotonicMs = 0;
    QDateTime time;

    static AlarmReading fromTexts(const ReadingTexts &texts, bool fahrenheit, qint64 monotonicMs,
                                  const QDateTime &time);
};

// The alarms of the live readings. It keeps no clock: every reading and every check comes with
// its times, and what happened comes back as events.
//
// A channel's first reading outside a limit makes its alarm pending; a reading inside, on the
// other side or missing returns it to normal. The alarm starts at the first reading on the same
// side at least the delay after the first, and is active until a reading comes back past the
// limit by the hysteresis. The meter's alarm starts when no reading has come for the silence
// delay and ends at the next reading; meanwhile pending alarms return to normal and active ones
// stay as they are. Acknowledging keeps an alarm active but stops its reminders.
class AlarmMonitor
{
public:
    enum class State { Normal, Pending, Active, Acknowledged };

    explicit AlarmMonitor(const AlarmSettings &settings = AlarmSettings());

    const AlarmSettings &settings() const { return m_settings; }
    // New limits apply from the next reading and a pending delay starts again; an alarm whose
    // limit is gone (or whose unit changed) ends now. The settings must have no problem().
    QList<AlarmEvent> setSettings(const AlarmSettings &settings, qint64 monotonicMs,
                                  const QDateTime &time);

    // The silence is counted from here until the first reading.
    void start(qint64 monotonicMs);
    QList<AlarmEvent> addReading(const AlarmReading &reading);
    // The meter's alarm when the silence has lasted its delay.
    QList<AlarmEvent> checkSilence(qint64 monotonicMs, const QDateTime &time);
    // When checkSilence() would start the meter's alarm; -1 when it cannot.
    qint64 silenceDue() const;

    // Acknowledges every active alarm not yet acknowledged.
    QList<AlarmEvent> acknowledge(const QDateTime &time);

    State state(AlarmChannel channel) const { return m_tracks[int(channel)].state; }
    // The start event of an active alarm (with the latest value while it lasts).
    std::optional<AlarmEvent> current(AlarmChannel channel) const;
    bool anyActive() const;
    // An active alarm not yet acknowledged: the reminders go on.
    bool needsReminder() const;

private:
    struct Track
    {
        State state = State::Normal;
        AlarmSide side = AlarmSide::Above;
        qint64 sinceMs = 0;
        QDateTime since;
        MeterValue value;
        MeterValue extreme;
        double limit = 0;
    };

    void follow(AlarmChannel channel, const MeterValue &value, const AlarmReading &reading,
                QList<AlarmEvent> *events);
    AlarmEvent event(AlarmEvent::Kind kind, AlarmChannel channel, const Track &track,
                     const QDateTime &time) const;
    AlarmEvent ended(AlarmChannel channel, Track *track, qint64 monotonicMs, const QDateTime &time);
    const SummaryLimits &limitsOf(AlarmChannel channel) const;

    AlarmSettings m_settings;
    Track m_tracks[AlarmChannelCount];
    qint64 m_lastReadingMs = -1;
    QDateTime m_lastReadingTime;
};

} // namespace dewscope
