#include "app/SharedState.h"
#include "recording/Recorder.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace hygrolog;

namespace {

class FakeClock : public Recorder::Clock
{
public:
    QTime timeOfDay() const override { return now; }
    QTime now = QTime(12, 0, 0);
};

QStringList fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { QStringLiteral("<cannot open>") };
    const QByteArray bytes = file.readAll();
    QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    // Every line ends with CR LF, so the last piece is empty.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    else
        lines.append(QStringLiteral("<unterminated>"));
    return lines;
}

struct Rig
{
    Rig()
    {
        state.meterOnline = true;
        state.texts = ReadingTexts::fromReading(Reading());
        state.texts.tempC = QStringLiteral("23.4");
        state.texts.dewC = QStringLiteral("12.1");
        state.texts.wetC = QStringLiteral("16.5");
        state.texts.rh = QStringLiteral("49.0");
        state.texts.tempF = QStringLiteral("74.1");
        state.texts.dewF = QStringLiteral("53.8");
        state.texts.wetF = QStringLiteral("61.7");
        recorder.setClock(&clock);
        recorder.loadDefaults();
        recorder.resetRecordTime();
    }
    SharedState state;
    FakeClock clock;
    Recorder recorder { &state };
};

} // namespace

class TestRecorder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void samplesEverySamplingTimeTicks_data();
    void samplesEverySamplingTimeTicks();
    void offlineTicksDoNothing();
    void samplingTimeAnswer_data();
    void samplingTimeAnswer();
    void stampAndDrift_data();
    void stampAndDrift();
    void hoursOfRecordingKeepStampsNearTheClock();
    void recordingWritesNumberedLines();
    void recordingStopsAt35000();
    void realTimeListStopsAt34999();
    void realTimeListRestartsFromOne();
    void failedWriteKeepsEarlierLinesAndRetries();
    void partialWriteIsTakenBack();
    void deletedFileIsCreatedAgain();
    void unwritableFileDoesNotStart();
};

void TestRecorder::samplesEverySamplingTimeTicks_data()
{
    QTest::addColumn<int>("samplingTime");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QList<int>>("sampledTicks");
    QTest::newRow("1 s: every tick") << 1 << 4 << QList<int> { 1, 2, 3, 4 };
    QTest::newRow("2 s: every second tick") << 2 << 7 << QList<int> { 1, 3, 5, 7 };
    QTest::newRow("3 s") << 3 << 7 << QList<int> { 1, 4, 7 };
    QTest::newRow("86400 s") << 86400 << 2 * 86400 + 1 << QList<int> { 1, 86401, 172801 };
}

void TestRecorder::samplesEverySamplingTimeTicks()
{
    QFETCH(int, samplingTime);
    QFETCH(int, ticks);
    QFETCH(QList<int>, sampledTicks);
    Rig rig;
    rig.recorder.setSamplingTime(samplingTime);
    rig.recorder.startList();
    QList<int> sampled;
    int tick = 0;
    QObject::connect(&rig.recorder, &Recorder::listRowAppended,
                     [&](const QString &) { sampled.append(tick); });
    for (tick = 1; tick <= ticks; ++tick)
        rig.recorder.tick();
    QCOMPARE(sampled, sampledTicks);
}

void TestRecorder::offlineTicksDoNothing()
{
    Rig rig;
    rig.state.meterOnline = false;
    rig.recorder.setSamplingTime(3);
    rig.recorder.startList();
    QSignalSpy rows(&rig.recorder, &Recorder::listRowAppended);
    const QString stamp = rig.recorder.recordTime();
    for (int i = 0; i < 10; ++i)
        rig.recorder.tick();
    QCOMPARE(rows.count(), 0);
    QCOMPARE(rig.recorder.sampleTicks(), 0);
    QCOMPARE(rig.recorder.recordTime(), stamp);
    // Back online, the very next tick samples.
    rig.state.meterOnline = true;
    rig.recorder.tick();
    QCOMPARE(rows.count(), 1);
}

void TestRecorder::samplingTimeAnswer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<int>("expected");
    QTest::newRow("0 -> 1") << "0" << true << 1;
    QTest::newRow("-5 -> 1") << "-5" << true << 1;
    QTest::newRow("0.4 rounds to 0 -> 1") << "0.4" << true << 1;
    QTest::newRow("100000 -> 86400") << "100000" << true << 86400;
    QTest::newRow("86400.4 -> 86400") << "86400.4" << true << 86400;
    QTest::newRow("1e300 -> 86400") << "1e300" << true << 86400;
    QTest::newRow("2.5 -> 2 (half to even)") << "2.5" << true << 2;
    QTest::newRow("2.6 -> 3") << "2.6" << true << 3;
    QTest::newRow("3.5 -> 4 (half to even)") << "3.5" << true << 4;
    QTest::newRow("0.5 -> 0 -> 1") << "0.5" << true << 1;
    QTest::newRow("blanks around") << " 7 " << true << 7;
    QTest::newRow("empty ignored") << "" << false << 13;
    QTest::newRow("blank ignored") << "   " << false << 13;
    QTest::newRow("abc ignored") << "abc" << false << 13;
    QTest::newRow("trailing text ignored") << "5s" << false << 13;
    QTest::newRow("comma decimal ignored") << "2,5" << false << 13;
    QTest::newRow("nan ignored") << "nan" << false << 13;
}

void TestRecorder::samplingTimeAnswer()
{
    QFETCH(QString, answer);
    QFETCH(bool, applied);
    QFETCH(int, expected);
    Rig rig;
    rig.recorder.setSamplingTime(13);
    // Let a sample fall so sampleTicks is non-zero before the answer.
    rig.recorder.tick();
    rig.recorder.tick();
    QCOMPARE(rig.recorder.sampleTicks(), 2);
    QCOMPARE(rig.recorder.applySamplingTimeAnswer(answer), applied);
    QCOMPARE(rig.recorder.samplingTime(), expected);
    // An applied answer makes the next tick take a sample; an ignored one changes nothing.
    QCOMPARE(rig.recorder.sampleTicks(), applied ? 0 : 2);
}

void TestRecorder::stampAndDrift_data()
{
    QTest::addColumn<QString>("stamp");
    QTest::addColumn<int>("samplingTime");
    QTest::addColumn<QString>("clock");
    QTest::addColumn<QString>("expected");
    QTest::newRow("in step") << "12:00:00" << 1 << "12:00:01"
                             << "12:00:01";
    QTest::newRow("clock 3 s ahead: kept") << "12:00:00" << 1 << "12:00:04"
                                           << "12:00:01";
    QTest::newRow("clock 4 s ahead: reset") << "12:00:00" << 1 << "12:00:05"
                                            << "12:00:05";
    QTest::newRow("clock 3 s behind: kept") << "12:00:10" << 1 << "12:00:08"
                                            << "12:00:11";
    QTest::newRow("clock 4 s behind: reset") << "12:00:10" << 1 << "12:00:07"
                                             << "12:00:07";
    QTest::newRow("minute boundary, clock 59 stamp 02") << "12:00:01" << 1 << "12:00:59"
                                                        << "12:00:59";
    QTest::newRow("minute boundary, stamp 59 clock 00") << "12:00:58" << 1 << "12:01:00"
                                                        << "12:01:00";
    QTest::newRow("same seconds other minute: kept") << "12:00:00" << 60 << "12:05:00"
                                                     << "12:01:00";
    QTest::newRow("midnight wraps") << "23:59:59" << 2 << "00:00:01"
                                    << "00:00:01";
    QTest::newRow("a whole day") << "08:00:00" << 86400 << "08:00:02"
                                 << "08:00:00";
}

void TestRecorder::stampAndDrift()
{
    QFETCH(QString, stamp);
    QFETCH(int, samplingTime);
    QFETCH(QString, clock);
    QFETCH(QString, expected);
    Rig rig;
    rig.recorder.setSamplingTime(samplingTime);
    rig.recorder.setRecordTime(QTime::fromString(stamp, QStringLiteral("hh:mm:ss")));
    rig.clock.now = QTime::fromString(clock, QStringLiteral("hh:mm:ss"));
    rig.recorder.startList();
    QSignalSpy rows(&rig.recorder, &Recorder::listRowAppended);
    rig.recorder.tick();
    QCOMPARE(rig.recorder.recordTime(), expected);
    QCOMPARE(rows.count(), 1);
    QCOMPARE(rows.at(0).at(0).toString().section(QLatin1Char('\t'), 1, 1), expected);
}

// Four hours at 960 ms a tick: every stamp is the previous one plus the sampling time, or the
// clock after a drift reset; it never leaves the clock's seconds by 4 or more.
void TestRecorder::hoursOfRecordingKeepStampsNearTheClock()
{
    Rig rig;
    const QTime start(10, 0, 0);
    qint64 elapsedMs = 0;
    rig.clock.now = start;
    rig.recorder.resetRecordTime();
    rig.recorder.setSamplingTime(1);
    QTime previous = start;
    int resets = 0;
    int samples = 0;
    for (int tick = 0; tick < 4 * 3600 * 1000 / 960; ++tick) {
        elapsedMs += 960;
        rig.clock.now = start.addMSecs(int(elapsedMs));
        rig.recorder.tick();
        const QTime stamp = QTime::fromString(rig.recorder.recordTime(), "hh:mm:ss");
        const QTime clockSeconds(rig.clock.now.hour(), rig.clock.now.minute(),
                                 rig.clock.now.second());
        ++samples;
        if (stamp == clockSeconds && previous.addSecs(1) != stamp)
            ++resets;
        else
            QCOMPARE(stamp, previous.addSecs(1));
        QVERIFY2(qAbs(clockSeconds.second() - stamp.second()) < 4,
                 qPrintable(stamp.toString() + " vs " + clockSeconds.toString()));
        previous = stamp;
    }
    QCOMPARE(samples, 15000);
    // The stamp runs 40 ms a tick ahead: it is pulled back about every 100 ticks (150 times
    // in four hours), and at most once more per minute when the stamp crosses the minute
    // boundary before the clock does (240 minutes).
    QVERIFY2(resets >= 140 && resets <= 150 + 240, qPrintable(QString::number(resets)));
}

void TestRecorder::recordingWritesNumberedLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("three.txt"));
    Rig rig;
    rig.recorder.setSamplingTime(1);
    rig.recorder.setRecordTime(QTime(12, 0, 0));
    rig.clock.now = QTime(12, 0, 1);
    QSignalSpy rows(&rig.recorder, &Recorder::fileListRowAppended);
    QSignalSpy started(&rig.recorder, &Recorder::recordingStarted);
    QVERIFY(rig.recorder.startRecording(path));
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.at(0).at(0).toString(), QStringLiteral("three.txt"));
    QCOMPARE(rig.recorder.fileNameLabel(), QStringLiteral("three.txt"));
    QVERIFY(rig.recorder.isRecLabelVisible());
    for (int i = 0; i < 3; ++i) {
        rig.recorder.tick();
        rig.clock.now = rig.clock.now.addSecs(1);
    }
    QCOMPARE(rig.recorder.countLabel(), QStringLiteral("3"));
    QCOMPARE(rig.recorder.recLabel(), QStringLiteral("Rec"));
    // Each line is on disk as soon as its tick ends, before the recording stops.
    const QStringList expected = {
        "1\t12:00:01\t23.4\t12.1\t16.5\t49.0\t74.1\t53.8\t61.7",
        "2\t12:00:02\t23.4\t12.1\t16.5\t49.0\t74.1\t53.8\t61.7",
        "3\t12:00:03\t23.4\t12.1\t16.5\t49.0\t74.1\t53.8\t61.7",
    };
    QCOMPARE(fileLines(path), expected);
    QCOMPARE(rows.count(), 3);
    QCOMPARE(rows.at(2).at(0).toString(), expected.at(2));
    rig.recorder.stopRecording();
    QVERIFY(!rig.recorder.isRecording());
    QCOMPARE(rig.recorder.recordCount(), 0);
    QVERIFY(!rig.recorder.isRecLabelVisible());
    QCOMPARE(rig.recorder.countLabel(), QString());
    QCOMPARE(rig.recorder.fileNameLabel(), QString());
    QCOMPARE(fileLines(path), expected);
    // A new recording to the same file truncates it and numbers from 1.
    QVERIFY(rig.recorder.startRecording(path));
    rig.recorder.tick();
    rig.recorder.stopRecording();
    QCOMPARE(fileLines(path).size(), 1);
    QVERIFY(fileLines(path).at(0).startsWith(QLatin1String("1\t")));
}

void TestRecorder::recordingStopsAt35000()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.txt"));
    Rig rig;
    rig.recorder.setSamplingTime(1);
    QSignalSpy stopped(&rig.recorder, &Recorder::recordingStopped);
    QSignalSpy rows(&rig.recorder, &Recorder::fileListRowAppended);
    QVERIFY(rig.recorder.startRecording(path));
    for (int i = 0; i < 35000; ++i)
        rig.recorder.tick();
    QVERIFY(rig.recorder.isRecording());
    QCOMPARE(rig.recorder.countLabel(), QStringLiteral("35000"));
    // The 35,001st sample closes the file without writing.
    rig.recorder.tick();
    QVERIFY(!rig.recorder.isRecording());
    QCOMPARE(stopped.count(), 1);
    QCOMPARE(rows.count(), 35000);
    QCOMPARE(rig.recorder.countLabel(), QString());
    QCOMPARE(rig.recorder.recLabel(), QString());
    QCOMPARE(rig.recorder.fileNameLabel(), QStringLiteral("full.txt"));
    const QStringList lines = fileLines(path);
    QCOMPARE(lines.size(), 35000);
    QVERIFY(lines.last().startsWith(QLatin1String("35000\t")));
    // The next tick samples again and, with no recording on, clears the labels.
    rig.recorder.tick();
    QCOMPARE(rig.recorder.fileNameLabel(), QString());
    QCOMPARE(fileLines(path).size(), 35000);
}

void TestRecorder::realTimeListStopsAt34999()
{
    Rig rig;
    rig.recorder.setSamplingTime(1);
    rig.recorder.startList();
    QSignalSpy rows(&rig.recorder, &Recorder::listRowAppended);
    for (int i = 0; i < 35010; ++i)
        rig.recorder.tick();
    QCOMPARE(rows.count(), 34999);
    QVERIFY(rows.last().at(0).toString().startsWith(QLatin1String("34999\t")));
    QVERIFY(!rig.recorder.isListActive());
    QCOMPARE(rig.recorder.listCount(), 0);
}

void TestRecorder::realTimeListRestartsFromOne()
{
    Rig rig;
    rig.recorder.setSamplingTime(1);
    rig.recorder.startList();
    QSignalSpy rows(&rig.recorder, &Recorder::listRowAppended);
    for (int i = 0; i < 5; ++i)
        rig.recorder.tick();
    rig.recorder.listClosed();
    rig.recorder.tick();
    QCOMPARE(rows.count(), 5);
    rig.recorder.startList();
    rig.recorder.tick();
    QCOMPARE(rows.count(), 6);
    QVERIFY(rows.last().at(0).toString().startsWith(QLatin1String("1\t")));
}

// The file's path stops being writable (here a folder takes its place): the ticks fail
// silently, the lines already written stay whole, and once the path is free again the next
// tick writes the record that failed.
void TestRecorder::failedWriteKeepsEarlierLinesAndRetries()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rec.txt"));
    const QString moved = dir.filePath(QStringLiteral("moved.txt"));
    Rig rig;
    rig.recorder.setSamplingTime(2);
    QVERIFY(rig.recorder.startRecording(path));
    for (int i = 0; i < 5; ++i) // samples at ticks 1, 3, 5
        rig.recorder.tick();
    QCOMPARE(rig.recorder.recordCount(), 3);
    QVERIFY(QFile::rename(path, moved));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("rec.txt")));
    QSignalSpy rows(&rig.recorder, &Recorder::fileListRowAppended);
    const int ticksBefore = rig.recorder.sampleTicks();
    for (int i = 0; i < 4; ++i)
        rig.recorder.tick();
    QCOMPARE(rows.count(), 0);
    QCOMPARE(rig.recorder.recordCount(), 3);
    // Tick 6 counted up to 2; every later due tick failed and left sampleTicks alone.
    QCOMPARE(ticksBefore, 1);
    QCOMPARE(rig.recorder.sampleTicks(), 2);
    QVERIFY(rig.recorder.isRecording());
    QCOMPARE(fileLines(moved).size(), 3);
    QVERIFY(QDir(dir.path()).rmdir(QStringLiteral("rec.txt")));
    rig.recorder.tick();
    QCOMPARE(rows.count(), 1);
    QCOMPARE(rig.recorder.recordCount(), 4);
    const QStringList lines = fileLines(path);
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines.at(0).startsWith(QLatin1String("4\t")));
    rig.recorder.stopRecording();
    QCOMPARE(fileLines(moved).size(), 3);
}

// A disk that fills in the middle of a line: the piece that got there is taken back out.
void TestRecorder::partialWriteIsTakenBack()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rec.txt"));
    Rig rig;
    rig.recorder.setSamplingTime(1);
    QVERIFY(rig.recorder.startRecording(path));
    rig.recorder.tick();
    rig.recorder.tick();
    const qint64 twoLines = QFileInfo(path).size();
    QVERIFY(twoLines > 0);

    struct rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = rlim_t(twoLines + 10);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    rig.recorder.tick();
    const qint64 sizeWhileFull = QFileInfo(path).size();
    const qint64 countWhileFull = rig.recorder.recordCount();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(sizeWhileFull, twoLines);
    QCOMPARE(countWhileFull, 2);
    rig.recorder.tick();
    rig.recorder.stopRecording();
    const QStringList lines = fileLines(path);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(2).startsWith(QLatin1String("3\t")));
    for (const QString &line : lines)
        QCOMPARE(line.count(QLatin1Char('\t')), 8);
}

void TestRecorder::deletedFileIsCreatedAgain()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rec.txt"));
    Rig rig;
    rig.recorder.setSamplingTime(1);
    QVERIFY(rig.recorder.startRecording(path));
    rig.recorder.tick();
    QVERIFY(QFile::remove(path));
    rig.recorder.tick();
    rig.recorder.tick();
    const QStringList lines = fileLines(path);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).startsWith(QLatin1String("2\t")));
    QVERIFY(lines.at(1).startsWith(QLatin1String("3\t")));
}

void TestRecorder::unwritableFileDoesNotStart()
{
    QTemporaryDir dir;
    Rig rig;
    QSignalSpy started(&rig.recorder, &Recorder::recordingStarted);
    QString error;
    QVERIFY(
        !rig.recorder.startRecording(dir.filePath(QStringLiteral("no/such/folder/x.txt")), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!rig.recorder.startRecording(dir.path()));
    QVERIFY(!rig.recorder.isRecording());
    QCOMPARE(started.count(), 0);
    QCOMPARE(rig.recorder.fileNameLabel(), QString());
    rig.recorder.tick();
    QCOMPARE(rig.recorder.recordCount(), 0);
}

QTEST_APPLESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
