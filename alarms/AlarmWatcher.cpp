#include "alarms/AlarmWatcher.h"

#include "meter/Poll.h"
#include "meter/SharedState.h"

namespace dewscope {

AlarmWatcher::AlarmWatcher(Poll *poll, const SharedState *state, QObject *parent)
    : QObject(parent)
    , m_state(state)
{
    m_clock.start();
    m_silence.setSingleShot(true);
    m_silence.setTimerType(Qt::PreciseTimer);
    connect(&m_silence, &QTimer::timeout, this, &AlarmWatcher::checkSilence);
    connect(poll, &Poll::readingDecoded, this, &AlarmWatcher::onReading);
    // A memory download holds the live readings up for minutes: no silence meanwhile.
    connect(poll, &Poll::downloadAnnounced, this, [this] {
        m_downloading = true;
        m_silence.stop();
    });
}

void AlarmWatcher::setSettings(const AlarmSettings &settings)
{
    emitAll(m_monitor.setSettings(settings, m_clock.elapsed(), QDateTime::currentDateTime()));
    armSilence();
}

void AlarmWatcher::setLogPath(const QString &path)
{
    m_log.setPath(path);
}

void AlarmWatcher::start()
{
    m_monitor.start(m_clock.elapsed());
    armSilence();
}

void AlarmWatcher::acknowledge()
{
    emitAll(m_monitor.acknowledge(QDateTime::currentDateTime()));
}

void AlarmWatcher::logNote(const QString &text)
{
    writeLog(AlarmEvent::timeText(QDateTime::currentDateTime())
             + QStringLiteral("\tnote\t\t\t\t\t\t") + text);
}

void AlarmWatcher::onReading()
{
    m_downloading = false;
    const AlarmReading reading
        = AlarmReading::fromTexts(m_state->texts, m_monitor.settings().fahrenheit,
                                  m_clock.elapsed(), QDateTime::currentDateTime());
    emitAll(m_monitor.addReading(reading));
    armSilence();
}

void AlarmWatcher::checkSilence()
{
    // Offline (no meter chosen or none found) nothing is expected: the silence counts anew.
    if (!m_state->meterOnline) {
        m_monitor.start(m_clock.elapsed());
        return armSilence();
    }
    emitAll(m_monitor.checkSilence(m_clock.elapsed(), QDateTime::currentDateTime()));
    armSilence();
}

void AlarmWatcher::armSilence()
{
    const qint64 due = m_monitor.silenceDue();
    if (due < 0 || m_downloading)
        m_silence.stop();
    else
        m_silence.start(int(qBound(qint64(0), due - m_clock.elapsed(), qint64(86400000))));
}

void AlarmWatcher::emitAll(const QList<AlarmEvent> &events)
{
    for (const AlarmEvent &event : events) {
        if (!m_log.path().isEmpty())
            writeLog(event.logLine());
        Q_EMIT alarmEvent(event);
    }
}

void AlarmWatcher::writeLog(const QString &line)
{
    if (m_log.path().isEmpty())
        return;
    QString reason;
    switch (m_log.append(line, &reason)) {
    case AlarmLog::Outcome::Failed:
        Q_EMIT logFailed(reason);
        break;
    case AlarmLog::Outcome::Recovered:
        Q_EMIT logRecovered();
        break;
    default:
        break;
    }
}

} // namespace dewscope
