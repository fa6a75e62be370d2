#include "app/SharedState.h"
#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "meter/PortMap.h"
#include "meter/SimulatedMeter.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

using namespace hygrolog;

namespace {

enum class Profile {
    Uniform, // any byte value, chunks of 1-20
    FrameBytes, // mostly 02, 03 and plausible value bytes
    FFHeavy, // mostly FF: download announcements and false starts
    SixByteChunks, // every chunk exactly six bytes, rarely a frame
    TornFrames, // valid frames cut at random points and glued together
    Bursts, // a few hundred bytes at once
    Mixed // announcements, good frames, tears and garbage
};

QByteArray chunk(Profile profile, QRandomGenerator &random)
{
    static const char frameBytes[] = "\x02\x03\x00\x01\xFA\xF4\x40\x80\xC0\xFF";
    const auto frame = [&random] {
        return SimulatedMeter::encodeFrame(random.bounded(-200, 600) / 10.0,
                                           random.bounded(0, 1000) / 10.0);
    };
    // count bytes, each FF at ffPercent, a byte frames are made of at framePercent, else any
    const auto bytes = [&random](int count, int ffPercent, int framePercent) {
        QByteArray made;
        for (; count > 0; --count) {
            const int r = random.bounded(100);
            made.append(r < ffPercent                      ? '\xFF'
                            : r < ffPercent + framePercent ? frameBytes[random.bounded(10)]
                                                           : char(random.bounded(256)));
        }
        return made;
    };
    switch (profile) {
    case Profile::Uniform:
        return bytes(random.bounded(1, 21), 0, 0);
    case Profile::FrameBytes:
        return bytes(random.bounded(1, 13), 0, 80);
    case Profile::FFHeavy:
        return bytes(random.bounded(1, 13), 70, 0);
    case Profile::SixByteChunks:
        return bytes(6, 0, 50);
    case Profile::Bursts:
        return bytes(random.bounded(50, 500), 25, 0);
    case Profile::TornFrames: {
        const QByteArray frames = frame() + frame() + frame();
        const int from = random.bounded(int(frames.size()));
        return frames.mid(from, random.bounded(1, int(frames.size()) - from + 1));
    }
    case Profile::Mixed:
        break;
    }
    switch (random.bounded(4)) {
    case 0:
        return QByteArray(6, '\xFF');
    case 1:
        return frame();
    case 2:
        return SimulatedMeter::encodeFrame(10.0, 20.0).left(random.bounded(1, 6));
    default:
        return bytes(random.bounded(1, 9), 0, 0);
    }
}

} // namespace

Q_DECLARE_METATYPE(Profile)

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
    QTest::addColumn<Profile>("profile");
    QTest::addColumn<int>("streamMs");
    QTest::addColumn<int>("maxGapMs"); // pause between two chunks: 0 to this

    // Dense streams keep a tick retrying; sparse ones let waits run empty, so silence, blinking
    // and recovery come into play.
    QTest::newRow("uniform, dense") << 1u << Profile::Uniform << 3000 << 250;
    QTest::newRow("uniform, sparse") << 2u << Profile::Uniform << 6000 << 1500;
    QTest::newRow("frame bytes, dense") << 3u << Profile::FrameBytes << 3000 << 250;
    QTest::newRow("FF heavy, sparse") << 6u << Profile::FFHeavy << 6000 << 2500;
    QTest::newRow("six-byte chunks") << 7u << Profile::SixByteChunks << 3000 << 400;
    QTest::newRow("torn frames, sparse") << 9u << Profile::TornFrames << 6000 << 2500;
    QTest::newRow("bursts") << 10u << Profile::Bursts << 3000 << 800;
    QTest::newRow("mixed, medium") << 11u << Profile::Mixed << 6000 << 700;
    QTest::newRow("mixed, sparse") << 12u << Profile::Mixed << 6000 << 3500;
}

// Random bytes go over the pseudo-terminal to the running poll for a few seconds; then the meter
// sends good frames again. The poll must neither crash nor hang, ticks must never overlap, every
// tick must end within the stream's length plus five waits and the blinking, and the good frames
// must be shown again.
void TestPollFuzz::randomStreams()
{
    QFETCH(quint32, seed);
    QFETCH(Profile, profile);
    QFETCH(int, streamMs);
    QFETCH(int, maxGapMs);
    // Five waits of 0.6 s, one blink step, and room for a loaded machine.
    constexpr int TickBoundMs = 5 * Poll::WaitMs + Poll::BlinkIntervalMs + 1500;

    SimulatedMeter meter;
    meter.setSilent(true);
    meter.setDrift(false);
    meter.setValues(22.2, 44.4);
    meter.setFrameInterval(200);
    QVERIFY(meter.open());
    PortMap ports;
    ports.setOverride(meter.path());
    MeterLink link(&ports);
    link.setCommPort(1);
    QCOMPARE(link.open(), int(MeterLink::NoError));
    SharedState state;
    state.comPortNumber = 1;
    state.meterOnline = true;
    Poll poll(&link, &state);

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
    int announcements = 0;
    connect(&poll, &Poll::downloadAnnounced, this, [&] {
        ++announcements;
        poll.downloadFinished();
    });
    QSignalSpy back(&poll, &Poll::meterBack);
    QSignalSpy silent(&poll, &Poll::meterSilent);

    QRandomGenerator random(seed);
    QTimer feeder;
    feeder.setSingleShot(true);
    connect(&feeder, &QTimer::timeout, this, [&] {
        if (clock.elapsed() >= streamMs)
            return;
        meter.sendRaw(chunk(profile, random));
        feeder.start(random.bounded(0, maxGapMs + 1));
    });
    poll.setEnabled(true);
    feeder.start(0);
    QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() >= streamMs, streamMs + 2000);
    const qint64 streamEnd = clock.elapsed();

    // Good frames again: the display must follow them.
    QString shown;
    connect(&poll, &Poll::readingDecoded, this, [&] { shown = state.texts.tempC; });
    meter.setSilent(false);
    QTRY_COMPARE_WITH_TIMEOUT(shown, QStringLiteral("22.2"), TickBoundMs + 2000);
    QCOMPARE(state.texts.rh, QStringLiteral("44.4"));
    QVERIFY(!poll.isSilent());
    QCOMPARE(back.count(), silent.count()); // every silence ended
    QVERIFY(ticks > 0);
    QVERIFY2(longestTick <= streamMs + TickBoundMs,
             qPrintable(QStringLiteral("longest tick %1 ms").arg(longestTick)));
    QVERIFY2(
        lastTickEnd <= streamEnd + TickBoundMs + 2000,
        qPrintable(
            QStringLiteral("a tick ended %1 ms after the stream").arg(lastTickEnd - streamEnd)));
    qInfo("%d ticks, longest %lld ms, %d announcements, %lld silences", ticks, longestTick,
          announcements, static_cast<long long>(silent.count()));
    poll.setEnabled(false);
}

QTEST_GUILESS_MAIN(TestPollFuzz)
#include "tst_poll_fuzz.moc"
