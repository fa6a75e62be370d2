#include "tests/common/MeterRig.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

using namespace dewscope;

namespace {

// How a stream is made: at announcePercent six bytes FF; at tornPercent a piece of valid frames
// cut at random points (whole frames now and then); else chunks of minChunk to maxChunk bytes,
// each byte FF at ffPercent, one of the bytes frames are made of at framePercent, else any value.
struct Mix
{
    int minChunk;
    int maxChunk;
    int ffPercent;
    int framePercent;
    int tornPercent;
    int announcePercent;
};

QByteArray chunk(const Mix &mix, QRandomGenerator &random)
{
    const int kind = random.bounded(100);
    if (kind < mix.announcePercent)
        return QByteArray(6, '\xFF');
    if (kind < mix.announcePercent + mix.tornPercent) {
        QByteArray frames;
        for (int i = 0; i < 3; ++i)
            frames += SimulatedMeter::encodeFrame(random.bounded(-200, 600) / 10.0,
                                                  random.bounded(0, 1000) / 10.0);
        const int from = random.bounded(int(frames.size()));
        return frames.mid(from, random.bounded(1, int(frames.size()) - from + 1));
    }
    static const char frameBytes[] = "\x02\x03\x00\x01\xFA\xF4\x40\x80\xC0\xFF";
    QByteArray made;
    for (int count = random.bounded(mix.minChunk, mix.maxChunk + 1); count > 0; --count) {
        const int r = random.bounded(100);
        made.append(r < mix.ffPercent                          ? '\xFF'
                        : r < mix.ffPercent + mix.framePercent ? frameBytes[random.bounded(10)]
                                                               : char(random.bounded(256)));
    }
    return made;
}

} // namespace

Q_DECLARE_METATYPE(Mix)

class TestPollFuzz : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void randomStreams_data();
    void randomStreams();
};

void TestPollFuzz::randomStreams_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<Mix>("mix");
    QTest::addColumn<int>("streamMs");
    QTest::addColumn<int>("maxGapMs"); // pause between two chunks: 0 to this

    // Dense streams keep a tick retrying; sparse ones let waits run empty, so silence, blinking
    // and recovery come into play.
    QTest::newRow("02/03 and value bytes, dense")
        << 3u << Mix { 1, 12, 0, 80, 0, 0 } << 3000 << 250;
    QTest::newRow("FF heavy, sparse") << 6u << Mix { 1, 12, 70, 0, 0, 0 } << 6000 << 2500;
    QTest::newRow("six-byte chunks") << 7u << Mix { 6, 6, 0, 50, 0, 0 } << 3000 << 400;
    QTest::newRow("torn frames, sparse") << 9u << Mix { 1, 1, 0, 0, 100, 0 } << 6000 << 2500;
    QTest::newRow("bursts") << 10u << Mix { 50, 500, 25, 0, 0, 0 } << 3000 << 800;
    QTest::newRow("announcements among frames and garbage")
        << 11u << Mix { 1, 8, 0, 0, 50, 25 } << 6000 << 700;
    QTest::newRow("mixed, sparse") << 12u << Mix { 1, 8, 25, 25, 25, 25 } << 6000 << 3500;
}

// Random bytes go over the pseudo-terminal to the running poll for a few seconds; then the meter
// sends good frames again. The poll must neither crash nor hang, ticks must never overlap, every
// tick must end within the stream's length plus five waits and the blinking, and the good frames
// must be shown again.
void TestPollFuzz::randomStreams()
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
    qint64 longestTick = 0;
    qint64 lastTickEnd = 0;
    int ticks = 0;
    connect(&poll, &Poll::tickStarted, this, [&] {
        QVERIFY2(tickStart < 0, "ticks overlap");
        tickStart = clock.elapsed();
    });
    connect(&poll, &Poll::tickFinished, this, [&](qint64 ms) {
        QVERIFY(tickStart >= 0);
        longestTick = qMax(longestTick, ms);
        lastTickEnd = clock.elapsed();
        tickStart = -1;
        ++ticks;
    });
    // The transfer is over at once: the poll goes on with the next tick.
    connect(&poll, &Poll::downloadAnnounced, &poll, &Poll::downloadFinished);
    QSignalSpy announced(&poll, &Poll::downloadAnnounced);

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
    QVERIFY(ticks > 0);
    QVERIFY2(longestTick <= streamMs + TickBoundMs,
             qPrintable(QStringLiteral("longest tick %1 ms").arg(longestTick)));
    QVERIFY2(lastTickEnd - streamEnd <= TickBoundMs + 2000,
             qPrintable(QStringLiteral("last tick ended %1 ms late").arg(lastTickEnd - streamEnd)));
    qInfo("%d ticks, longest %lld ms, %lld announcements, %lld silences", ticks, longestTick,
          static_cast<long long>(announced.count()), static_cast<long long>(rig.silent.count()));
}

QTEST_GUILESS_MAIN(TestPollFuzz)
#include "tst_poll_fuzz.moc"
