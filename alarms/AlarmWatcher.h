#pragma once

#include "alarms/AlarmLog.h"
#include "alarms/AlarmMonitor.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace dewscope {

class Poll;
struct SharedState;

// The alarms of a running poll: every decoded reading goes to the monitor with its times, a
// timer watches the silence (not while offline, nor during a memory download), and each event
// goes to the alarm log (when one is chosen) and out through alarmEvent().
class AlarmWatcher : public QObject
{
    Q_OBJECT

public:
    AlarmWatcher(Poll *poll, const SharedState *state, QObject *parent = nullptr);

    const AlarmMonitor &monitor() const { return m_monitor; }
    void setSettings(const AlarmSettings &settings);
    void setLogPath(const QString &path);
    QString logPath() const { return m_log.path(); }

    // The silence is counted from here until the first reading.
    void start();
    void acknowledge();
    // A line of the log that is no event: "TIME<TAB>note<TAB>...<TAB>text".
    void logNote(const QString &text);

Q_SIGNALS:
    void alarmEvent(const dewscope::AlarmEvent &event);
    // The first line of a run that could not be written, with the reason; and when writing
    // works again.
    void logFailed(const QString &reason);
    void logRecovered();

private:
    void onReading();
    void checkSilence();
    void emitAll(const QList<AlarmEvent> &events);
    void writeLog(const QString &line);
    void armSilence();

    const SharedState *m_state;
    AlarmMonitor m_monitor;
    AlarmLog m_log;
    QElapsedTimer m_clock;
    QTimer m_silence;
    bool m_downloading = false; // from an announcement to the next reading
};

} // namespace dewscope
