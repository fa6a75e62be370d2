#pragma once

#include <QElapsedTimer>
#include <QTimer>

namespace dewscope::bench {

// Milliseconds a piece of work takes.
template<typename Work> double timed(Work work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.nsecsElapsed() / 1e6;
}

// The event loop's longest stall from now on: the longest gap between two beats of a timer.
class StallWatch
{
public:
    explicit StallWatch(int beatMs)
    {
        QObject::connect(&m_beat, &QTimer::timeout, [this] { beat(); });
        m_clock.start();
        m_beat.start(beatMs);
    }
    // The longest gap so far, the one up to now included; the watch stops.
    qint64 longest()
    {
        if (m_beat.isActive())
            beat(), m_beat.stop();
        return m_longest;
    }

private:
    void beat()
    {
        m_longest = qMax(m_longest, m_clock.elapsed() - m_last);
        m_last = m_clock.elapsed();
    }
    QElapsedTimer m_clock;
    QTimer m_beat;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

} // namespace dewscope::bench
