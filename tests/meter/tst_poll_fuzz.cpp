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
    static const char frameBytes[]
        = { '\x02', '\x03', '\x00', '\x01', '\xFA', '\xF4', '\x40', '\x80', '\xC0', '\xFF' };
    QByteArray bytes;
    const auto byte = [&random] { return static_cast<char>(random.bounded(256)); };
    switch (profile) {
    case Profile::Uniform:
        for (int i = random.bounded(1, 21); i > 0; --i)
            bytes.append(byte());
        break;
    case Profile::FrameBytes:
        for (int i = random.bounded(1, 13); i > 0; --i)
            bytes.append(random.bounded(10) < 8 ? frameBytes[random.bounded(10)] : byte());
        break;
    case Profile::FFHeavy:
        for (int i = random.bounded(1, 13); i > 0; --i)
            bytes.append(random.bounded(10) < 7 ? '\xFF' : byte());
        break;
    case Profile::SixByteChunks:
        for (int i = 0; i < 6; ++i)
            bytes.append(random.bounded(10) < 5 ? frameBytes[random.bounded(10)] : byte());
        break;
    case Profile::TornFrames: {
        QByteArray frames;
        for (int i = 0; i < 3; ++i)
            frames += SimulatedMeter::encodeFrame(random.bounded(-200, 600) / 10.0,
                                                  random.bounded(0, 1000) / 10.0);
        const int from = random.bounded(frames.size());
        bytes = frames.mid(from, random.bounded(1, frames.size() - from + 1));
        break;
    }
    case Profile::Mixed:
        switch (random.bounded(4)) {
        case 0:
            bytes = QByteArray(6, '\xFF');
            break;
        case 1:
            bytes = SimulatedMeter::encodeFrame(random.bounded(-200, 600) / 10.0,
                                                random.bounded(0, 1000) / 10.0);
            break;
        case 2:
            bytes = SimulatedMeter::encodeFrame(10.0, 20.0).left(random.bounded(1, 6));
            break;
        default:
            for (int i = random.bounded(1, 9); i > 0; --i)
                bytes.append(byte());
        }
        break;
    case Profile::Bursts:
        for (int i = random.bounded(50, 500); i > 0; --i)
            bytes.append(random.bounded(4) == 0 ? '\xFF' : byte());
        break;
    }
    return bytes;
}

} // namespace

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
    QTest::addColumn<int>("profile");
    QTest::addColumn<int>("streamMs");
    QTest::addColumn<int>("maxGapMs"); // pause between two chunks: 0 to this

    // Dense streams keep a tick retrying; sparse ones let waits run empty, so silence, blinking
    // and recovery come into play.
    QTest::newRow("uniform, dense") << 1u << int(Profile::Uniform) << 4000 << 250;
    QTest::newRow("uniform, sparse") << 2u << int(Profile::Uniform) << 8000 << 1500;
    QTest::newRow("frame bytes, dense") << 3u << int(Profile::FrameBytes) << 4000 << 250;
    QTest::newRow("frame bytes, sparse") << 4u << int(Profile::FrameBytes) << 8000 << 1200;
    QTest::newRow("FF heavy, dense") << 5u << int(Profile::FFHeavy) << 4000 << 250;
    QTest::newRow("FF heavy, sparse") << 6u << int(Profile::FFHeavy) << 8000 << 1000;
    QTest::newRow("six-byte chunks") << 7u << int(Profile::SixByteChunks) << 4000 << 400;
    QTest::newRow("torn frames, dense") << 8u << int(Profile::TornFrames) << 4000 << 250;
    QTest::newRow("torn frames, sparse") << 9u << int(Profile::TornFrames) << 8000 << 900;
    QTest::newRow("bursts") << 10u << int(Profile::Bursts) << 4000 << 800;
    QTest::newRow("mixed, medium") << 11u << int(Profile::Mixed) << 8000 << 700;
    QTest::newRow("mixed, sparse") << 12u << int(Profile::Mixed) << 8000 << 2500;
}

// Random bytes go over the pseudo-terminal to the running poll for a few seconds; then the meter
// sends good frames again. The poll must neither crash nor hang, every tick must end within the
// stream's length plus five waits and the blinking, and the good frames must be shown again.
void TestPollFuzz::randomStreams()
{
    QFETCH(quint32, seed);
    QFETCH(int, profile);
    QFETCH(int, streamMs);
    QFETCH(int, maxGapMs);
    const int StreamMs = streamMs;
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
    int announcements = 0;
    // The transfer is over at once: the poll goes on with the next tick.
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
        if (clock.elapsed() >= StreamMs)
            return;
        meter.sendRaw(chunk(Profile(profile), random));
        feeder.start(random.bounded(0, maxGapMs + 1));
    });
    poll.setEnabled(true);
    feeder.start(0);
    QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() >= StreamMs, StreamMs + 2000);
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
    QVERIFY2(longestTick <= StreamMs + TickBoundMs,
             qPrintable(QStringLiteral("longest tick %1 ms").arg(longestTick)));
    QVERIFY2(
        lastTickEnd <= streamEnd + TickBoundMs + 2000,
        qPrintable(
            QStringLiteral("a tick ended %1 ms after the stream").arg(lastTickEnd - streamEnd)));
    qInfo("%d ticks, longest %lld ms, %d announcements, %lld silences", ticks, longestTick,
          announcements, static_cast<long long>(silent.count()));

    poll.setEnabled(false);
    link.close();
}

QTEST_GUILESS_MAIN(TestPollFuzz)
#include "tst_poll_fuzz.moc"
