#include "meter/Poll.h"

#include "meter/LiveFrame.h"
#include "meter/MeterLink.h"
#include "meter/SharedState.h"

#include <QElapsedTimer>
#include <QMetaMethod>
#include <QPointer>
#include <QTimer>

namespace dewscope {

// One tick runs through these steps; every wait is a timer or a signal, never a loop.
class Poll::Private
{
public:
    enum class Step { Idle, Waiting, Blinking, Download };

    Poll *q;
    QPointer<MeterLink> link;
    SharedState *state;
    QTimer tickTimer; // the 150 ms beat
    QTimer deadline; // the end of one 0.6 s wait
    QTimer blinkTimer; // the 0.2 s steps of the silent meter's blinking
    QElapsedTimer waitClock; // monotonic, started at each wait
    QElapsedTimer tickClock;
    Step step = Step::Idle;
    int counter = 0;
    bool enabled = false;
    bool labelVisible = true;
    bool beatMissed = false; // a beat fell into the tick under way
    int carriedFF = 0; // FF bytes that ended the last read looked at (at most five)

    Private(Poll *poll, MeterLink *meterLink, SharedState *sharedState)
        : q(poll)
        , link(meterLink)
        , state(sharedState)
    {
        tickTimer.setInterval(TickIntervalMs);
        deadline.setSingleShot(true);
        deadline.setTimerType(Qt::PreciseTimer);
        blinkTimer.setSingleShot(true);
    }

    int waiting() const { return link ? link->inBufferCount() : 0; }

    QByteArray input() const { return link ? link->input() : QByteArray(); }

    // Every read the poll would otherwise throw away is searched for the download announcement:
    // a meter that starts sending its memory while the poll flushes or retries loses nothing.
    // FF bytes that ended the read before count as the start of a run. True when it was found:
    // the transfer starts with the bytes after it, and the tick ends with the transfer.
    bool announcedIn(const QByteArray &read)
    {
        int after = LiveFrame::afterAnnouncement(read);
        if (after < 0 && carriedFF > 0) {
            after = LiveFrame::afterAnnouncement(QByteArray(carriedFF, '\xFF') + read);
            if (after >= 0)
                after -= carriedFF;
        }
        if (after < 0) {
            int run = 0;
            while (run < read.size() && run < LiveFrame::Length - 1
                   && static_cast<quint8>(read.at(read.size() - 1 - run)) == 0xFF)
                ++run;
            carriedFF = run == read.size() ? qMin(carriedFF + run, LiveFrame::Length - 1) : run;
            return false;
        }
        carriedFF = 0;
        announceDownload(read.mid(after));
        return true;
    }

    // The flush before each wait: every waiting byte is read (and searched), none dropped
    // unread, so the wait sees only what comes after.
    bool flush()
    {
        if (!link)
            return false;
        link->setInputLen(0);
        return announcedIn(link->input());
    }

    void tick()
    {
        // A tick under way (waiting, blinking or handing over a download) is never overlapped:
        // beats that fall into it are skipped.
        if (step != Step::Idle) {
            beatMissed = true;
            return;
        }
        if (!state || !state->meterOnline)
            return;
        counter = 0;
        tickClock.start();
        Q_EMIT q->tickStarted();
        startWait();
    }

    void startWait()
    {
        if (flush())
            return;
        step = Step::Waiting;
        waitClock.start();
        deadline.start(WaitMs);
        Q_EMIT q->waitStarted(counter);
    }

    // Called when bytes arrive and at the deadline: ends the wait at exactly six bytes waiting
    // or once 0.6 s have passed.
    void checkWait()
    {
        if (step != Step::Waiting)
            return;
        const bool timeUp = waitClock.elapsed() >= WaitMs;
        if (waiting() != LiveFrame::Length && !timeUp) {
            if (!deadline.isActive())
                deadline.start(static_cast<int>(qMax<qint64>(1, WaitMs - waitClock.elapsed())));
            return;
        }
        deadline.stop();
        endWait();
    }

    void endWait()
    {
        const int count = waiting();
        if (count < LiveFrame::Length && counter <= 3) {
            ++counter;
            startWait(); // a tick runs to its end, even when disabled meanwhile
            return;
        }
        if (counter > 3) {
            // The fifth wait: silent, whether or not bytes came in it.
            noDataRoutine();
            return;
        }
        const QByteArray bytes = input();
        if (announcedIn(bytes))
            return;
        switch (LiveFrame::classify(bytes)) {
        case LiveFrame::Kind::Reading:
            LiveFrame::decode(state->reading, bytes);
            state->texts = ReadingTexts::fromReading(state->reading);
            Q_EMIT q->readingDecoded();
            endTick();
            return;
        case LiveFrame::Kind::DownloadAnnouncement: // found above
        case LiveFrame::Kind::Invalid:
            counter = 1;
            startWait(); // a tick runs to its end, even when disabled meanwhile
            return;
        }
    }

    void announceDownload(const QByteArray &imageStart)
    {
        static const QMetaMethod signal = QMetaMethod::fromSignal(&Poll::downloadAnnounced);
        if (!q->isSignalConnected(signal)) {
            endTick();
            return;
        }
        // Set first: a receiver may finish the transfer before the signal returns.
        step = Step::Download;
        Q_EMIT q->downloadAnnounced(imageStart);
    }

    void noDataRoutine()
    {
        step = Step::Blinking;
        labelVisible = true;
        Q_EMIT q->meterSilent();
        blinkStep();
    }

    void blinkStep()
    {
        labelVisible = !labelVisible;
        Q_EMIT q->blinkToggled(labelVisible);
        blinkTimer.start(BlinkIntervalMs);
    }

    void blinkTimeout()
    {
        if (step != Step::Blinking)
            return;
        if (waiting() <= 0) {
            blinkStep();
            return;
        }
        labelVisible = true;
        // Ends the silence before the signal, so receivers see the poll as no longer silent.
        step = Step::Idle;
        Q_EMIT q->meterBack(state->comPortNumber);
        if (!announcedIn(input()))
            endTick();
    }

    void endTick()
    {
        step = Step::Idle;
        deadline.stop();
        blinkTimer.stop();
        Q_EMIT q->tickFinished(tickClock.isValid() ? tickClock.elapsed() : 0);
        // A tick that outlasted the interval delays the next one, which then starts at once
        // instead of waiting for the following beat.
        if (beatMissed && enabled && step == Step::Idle)
            QTimer::singleShot(0, q, [this] { tick(); });
        beatMissed = false;
    }
};

Poll::Poll(MeterLink *link, SharedState *state, QObject *parent)
    : QObject(parent)
    , d(new Private(this, link, state))
{
    connect(&d->tickTimer, &QTimer::timeout, this, [this] { d->tick(); });
    connect(&d->deadline, &QTimer::timeout, this, [this] { d->checkWait(); });
    connect(&d->blinkTimer, &QTimer::timeout, this, [this] { d->blinkTimeout(); });
    if (link)
        connect(link, &MeterLink::bytesArrived, this, [this] { d->checkWait(); });
}

Poll::~Poll()
{
    delete d;
}

void Poll::setEnabled(bool enabled)
{
    d->enabled = enabled;
    if (enabled) {
        if (!d->tickTimer.isActive())
            d->tickTimer.start();
    } else {
        d->tickTimer.stop();
    }
}

bool Poll::isEnabled() const
{
    return d->enabled;
}

bool Poll::isSilent() const
{
    return d->step == Private::Step::Blinking;
}

void Poll::downloadFinished()
{
    if (d->step == Private::Step::Download)
        d->endTick();
}

} // namespace dewscope
