#pragma once

#include <QByteArray>
#include <QObject>

namespace dewscope {

class MeterLink;
struct SharedState;

// The main window's meter poll (its Timer1, 150 ms): each tick flushes the receive buffer,
// waits until exactly six bytes wait or 0.6 s have passed, retries, checks the frame's start
// and end bytes, decodes it into the shared reading and its display texts, recognises the
// download announcement and notices a silent meter. The flush reads what waits rather than
// dropping it unread, and every read the poll takes (flushes, retries, the bytes that end a
// silence) is searched for the announcement, so that a memory download is never thrown away. It
// runs as a state machine on a monotonic clock: no waits that pump events, no busy loops, ticks
// never overlap.
//
// While the shared state's meterOnline is false the ticks do nothing.
class Poll : public QObject
{
    Q_OBJECT

public:
    static constexpr int TickIntervalMs = 150;
    static constexpr int WaitMs = 600;
    static constexpr int BlinkIntervalMs = 200;

    Poll(MeterLink *link, SharedState *state, QObject *parent = nullptr);
    ~Poll() override;

    // Enables or disables the poll timer. Disabling lets a tick under way run to its end (its
    // retries, and the blinking of a silent meter until bytes come back) and only keeps the
    // next tick from starting.
    void setEnabled(bool enabled);
    bool isEnabled() const;
    int interval() const { return TickIntervalMs; }

    // True from meterSilent until meterBack.
    bool isSilent() const;

    // Called by whoever handles a download announcement when the transfer is over: the tick
    // that announced it ends and the next tick starts afresh. Until then no tick runs.
    void downloadFinished();

Q_SIGNALS:
    // A frame was decoded: the shared reading and texts hold its values. The main window sets
    // the temperature label's font to 60 points and shows the texts in the chosen unit.
    void readingDecoded();
    // The meter has been silent for five waits: show "No COM" and close the real-time graph
    // and list windows.
    void meterSilent();
    // Every 0.2 s while silent: the port label's visibility.
    void blinkToggled(bool visible);
    // Bytes came back after silence: the port label shows "COM" and the number, visible.
    void meterBack(int comPortNumber);
    // Six bytes FF in a row arrived: a memory download begins; imageStart holds the bytes that
    // came after the first such run in the same read, the first bytes of the image. The poll waits
    // for downloadFinished(). With nothing connected to this signal the poll goes on at once.
    void downloadAnnounced(const QByteArray &imageStart);

    // Every tick that did some work (the meter online) reports when it began and, at its end,
    // how long it lasted.
    void tickStarted();
    // A wait of up to 0.6 s for six bytes began; attempt is the tick's counter at that moment
    // (0 for a tick's first wait; the wait after attempt 4 gives up).
    void waitStarted(int attempt);
    void tickFinished(qint64 milliseconds);

private:
    class Private;
    Private *d;
};

} // namespace dewscope
