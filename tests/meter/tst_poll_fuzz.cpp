#include "tests/common/MeterRig.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

using namespace dewscope;

namespace {

// How a stream is made (each a percentage but the first): at Announce six bytes FF; at Torn a
// piece of valid frames cut at random points (whole frames now and then); else chunks of 1 to
// MaxChunk bytes, each byte FF at FF, one of the bytes frames are made of at Frame, else any value.
enum { MaxChunk, FF, Frame, Torn, Announce };
using Mix = QList<int>;

QByteArray chunk(const Mix &mix, QRandomGenerator &random)
{
    const int kind = random.bounded(100);
    if (kind < mix[Announce])
        return QByteArray(6, '\xFF');
    if (kind < mix[Announce] + mix[Torn]) {
        QByteArray frames;
        for (int i = 0; i < 3; ++i)
            frames += SimulatedMeter::encodeFrame(random.bounded(-200, 600) / 10.0,
                                                  random.bounded(0, 1000) / 10.0);
        const int from = random.bounded(int(frames.size()));
        return frames.mid(from, random.bounded(1, int(frames.size()) - from + 1));
    }
    static const char frameBytes[] = "\x02\x03\x00\x01\xFA\xF4\x40\x80\xC0\xFF";
    QByteArray made;
    for (int count = random.bounded(1, mix[MaxChunk] + 1); count > 0; --count) {
        const int r = random.bounded(100);
        made.append(r < mix[FF]                    ? '\xFF'
                        : r < mix[FF] + mix[Frame] ? frameBytes[random.bounded(10)]
                                                   : char(random.bounded(256)));
    }
    return made;
}

} // namespace

// Random bytes go over the pseudo-terminal to the running poll for a few seconds; then the meter
// sends good frames again. The poll must neither crash nor hang, ticks must never overlap, every
// tick must end within the stream's length plus five waits and the blinking, and the good frames
// must be shown again.
class TestPollFuzz : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void randomStreams_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<Mix>("mix");
        QTest::addColumn<int>("streamMs");
        QTest::addColumn<int>("maxGapMs"); // pause between two chunks: 0 to this
        // Dense streams keep a tick retrying; sparse ones let waits run empty, so silence,
        // blinking and recovery come into play.
        // clang-format off
        QTest::newRow("02/03 and value bytes, dense") << 3u << Mix { 12, 0, 80, 0, 0 } << 3000 << 250;
        QTest::newRow("torn frames, sparse") << 9u << Mix { 1, 0, 0, 100, 0 } << 6000 << 2500;
        QTest::newRow("FF bursts") << 10u << Mix { 500, 25, 0, 0, 0 } << 3000 << 800;
        QTest::newRow("mixed, sparse") << 12u << Mix { 8, 25, 25, 25, 25 } << 6000 << 3500;
        // clang-format on
    }

    void randomStreams()
    {
        QFETCH(quint32, seed);
        QFETCH(Mix, mix);
        QFETCH(int, streamMs);
        QFETCH(int, maxGapMs);
        // Five waits of 0.6 s, one blink step, and room for a loaded machine.
        constexpr int TickBoundMs = 5 * Poll::WaitMs + Poll::BlinkIntervalMs + 1500;
        test::MeterRig rig; // silent until the stream is over
        QVERIFY(rig.start(22.2, 44.4, 0));
        Poll &poll = rig.poll;
        QElapsedTimer clock;
        clock.start();
        qint64 tickStart = -1;
        qint64 lastTickEnd = 0;
        connect(&poll, &Poll::tickStarted, this, [&] {
            QVERIFY2(tickStart < 0, "ticks overlap");
            tickStart = clock.elapsed();
        });
        connect(&poll, &Poll::tickFinished, this, [&](qint64 ms) {
            QVERIFY(tickStart >= 0);
            QVERIFY2(ms <= streamMs + TickBoundMs, qPrintable(QString::number(ms)));
            lastTickEnd = clock.elapsed();
            tickStart = -1;
        });
        // The transfer is over at once: the poll goes on with the next tick.
        connect(&poll, &Poll::downloadAnnounced, &poll, &Poll::downloadFinished);

        QRandomGenerator random(seed);
        QTimer feeder;
        feeder.setSingleShot(true);
        connect(&feeder, &QTimer::timeout, this, [&] {
            if (clock.elapsed() >= streamMs)
                return;
            rig.meter.sendRaw(chunk(mix, random));
            feeder.start(random.bounded(0, maxGapMs + 1));
        });
        poll.setEnabled(true);
        feeder.start(0);
        QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() >= streamMs, streamMs + 2000);
        const qint64 streamEnd = clock.elapsed();

        // Good frames again: the display must follow them.
        QString shown;
        connect(&poll, &Poll::readingDecoded, this,
                [&] { shown = rig.state.texts.tempC + ' ' + rig.state.texts.rh; });
        rig.meter.setSilent(false);
        QTRY_COMPARE_WITH_TIMEOUT(shown, QStringLiteral("22.2 44.4"), TickBoundMs + 2000);
        QVERIFY(!poll.isSilent());
        QCOMPARE(rig.back.count(), rig.silent.count()); // every silence ended
        QVERIFY2(lastTickEnd > 0 && lastTickEnd - streamEnd <= TickBoundMs + 2000,
                 qPrintable(QString::number(lastTickEnd - streamEnd)));
    }
};

QTEST_GUILESS_MAIN(TestPollFuzz)
#include "tst_poll_fuzz.moc"
