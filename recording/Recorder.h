#pragma once

#include <QObject>

namespace hygrolog {

struct SharedState;

// The PC recorder: the main window's second timer (960 ms). Every samplingTime ticks one
// sample of the live display texts becomes a record line, written to the recording's data file
// and appended to the File List while recording, and to the Real Time List while that is open.
class Recorder : public QObject
{
    Q_OBJECT

public:
    static constexpr int TickIntervalMs = 960;

    explicit Recorder(SharedState *state, QObject *parent = nullptr);
    ~Recorder() override;

    // The main window's load: not recording, sampling time 2 s.
    void loadDefaults();
    // The main window's load: the time stamp starts as the clock's time of day.
    void resetRecordTime();
    // Starts or stops the 960 ms timer.
    void setTimerEnabled(bool enabled);
    bool isTimerEnabled() const;

private:
    class Private;
    Private *d;
};

} // namespace hygrolog
