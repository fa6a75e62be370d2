#include "tests/common/FileSizeLimit.h"
#include "tests/common/RecorderRig.h"
#include "tests/common/TestData.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace dewscope;

namespace {

QTime hms(const QString &text)
{
    return QTime::fromString(text, QStringLiteral("hh:mm:ss"));
}

// The record numbers of a data file's lines, "<torn>" for a line without its ten fields or its
// CR LF; none for a missing file.
QStringList recordNumbers(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    if (lines.last().isEmpty())
        lines.removeLast(); // the empty piece after the last line end
    for (QString &line : lines)
        line = line.count(QLatin1Char('\t')) == 9 ? line.section(QLatin1Char('\t'), 0, 0)
                                                  : QStringLiteral("<torn>");
    return lines;
}

using Rig = test::RecorderRig;

} // namespace

class TestRecorder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void samplesAndStamps_data()
    {
        QTest::addColumn<int>("samplingTime");
        QTest::addColumn<int>("offlineTicks"); // the meter is offline for the first ticks
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QList<int>>("sampledTicks");
        QTest::addColumn<QTime>("recordTime"); // the stamp the first sample builds on
        QTest::addColumn<QTime>("clock"); // stands still
        QTest::addColumn<QTime>("firstStamp"); // and the record time after the first sample
        // The first sample is stamped one sampling time after the start, however long the
        // meter was offline before; offline ticks neither sample nor count.
        const QTime noon = hms("12:00:00");
        // clang-format off
        QTest::newRow("2 s: every second tick") << 2 << 0 << 7 << QList<int> { 1, 3, 5, 7 } << noon << noon << hms("12:00:02");
        QTest::newRow("86400 s") << 86400 << 0 << 2 * 86400 + 1 << QList<int> { 1, 86401, 172801 } << noon << noon << noon;
        QTest::newRow("3 s, offline first") << 3 << 10 << 14 << QList<int> { 11, 14 } << noon << noon << hms("12:00:03");
        // clang-format on
        // Drift: only the seconds of stamp and clock are compared, also across a minute
        // boundary; more than 3 s apart, the stamp is reset to the clock.
        const auto drift = [](const char *name, const char *stamp, int samplingTime,
                              const char *clock, const char *expected) {
            QTest::newRow(name) << samplingTime << 0 << 1 << QList<int> { 1 } << hms(stamp)
                                << hms(clock) << hms(expected);
        };
        drift("ahead 3: kept", "12:00:00", 1, "12:00:04", "12:00:01");
        drift("ahead 4: reset", "12:00:00", 1, "12:00:05", "12:00:05");
        drift("behind 4: reset", "12:00:10", 1, "12:00:07", "12:00:07");
        drift("seconds 02 vs 59", "12:00:01", 1, "12:00:59", "12:00:59");
        drift("other minute", "12:00:00", 60, "12:05:00", "12:01:00");
        drift("a whole day wraps", "08:00:00", 86400, "08:00:02", "08:00:00");
    }
    // The ticks that take a sample, the stamp of the first, and the record time the next one
    // builds on.
    void samplesAndStamps()
    {
        QFETCH(int, samplingTime);
        QFETCH(int, offlineTicks);
        QFETCH(int, ticks);
        QFETCH(QTime, firstStamp);
        Rig rig(samplingTime);
        rig.recorder.setRecordTime(FETCHED(QTime, recordTime));
        rig.clock.now = FETCHED(QTime, clock);
        rig.recorder.startList();
        QList<int> sampled;
        QStringList first;
        int tick = 0;
        QObject::connect(&rig.recorder, &Recorder::listRowAppended, [&](const QString &row) {
            if (sampled.isEmpty())
                first = QStringList { row.section('\t', 1, 1), rig.recorder.recordTime() };
            sampled.append(tick);
        });
        for (tick = 1; tick <= ticks; ++tick) {
            rig.state.meterOnline = tick > offlineTicks;
            rig.recorder.tick();
        }
        QTEST(sampled, "sampledTicks");
        const QString shown = firstStamp.toString(QStringLiteral("hh:mm:ss"));
        QCOMPARE(first, QStringList({ shown, shown }));
    }

    void samplingTimeAnswer_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<int>("expected");
        QTest::newRow("0 -> 1") << "0" << true << 1;
        QTest::newRow("1e300 -> 86400") << "1e300" << true << 86400;
        QTest::newRow("2.5 -> 2 (half to even)") << "2.5" << true << 2;
        QTest::newRow("abc ignored") << "abc" << false << 13;
        QTest::newRow("nan ignored") << "nan" << false << 13;
    }
    void samplingTimeAnswer()
    {
        QFETCH(QString, answer);
        QFETCH(bool, applied);
        Rig rig(13);
        rig.ticks(2);
        QCOMPARE(rig.recorder.applySamplingTimeAnswer(answer), applied);
        QTEST(rig.recorder.samplingTime(), "expected");
        // An applied answer makes the next tick take a sample; an ignored one changes nothing.
        QCOMPARE(rig.recorder.sampleTicks(), applied ? 0 : 2);
    }

    // The Real Time List takes 34,999 rows and closes; a recording takes 35,000 records and the
    // sample after them closes the file without writing. A failed start changes nothing.
    // (Reopening the list numbers from 1 again: tst_recording_gui, listReopensAndCloses.)
    void listAndRecordingLimits()
    {
        Rig rig;
        QSignalSpy listRows(&rig.recorder, &Recorder::listRowAppended);
        QSignalSpy stopped(&rig.recorder, &Recorder::recordingStopped);
        // A file that cannot be created starts nothing, and says why.
        QString error;
        QVERIFY(!rig.recorder.startRecording(rig.dir.filePath("no/x.txt"), &error));
        QVERIFY(!error.isEmpty() && !rig.recorder.isRecording());
        rig.recorder.startList();
        QVERIFY(rig.recorder.startRecording(rig.path));
        rig.ticks(35000);
        QCOMPARE(listRows.count(), 34999);
        QVERIFY(listRows.last().at(0).toString().startsWith(QLatin1String("34999\t")));
        QVERIFY(!rig.recorder.isListActive() && rig.recorder.isRecording());
        rig.ticks(1);
        QVERIFY(!rig.recorder.isRecording());
        QCOMPARE(stopped.count(), 1);
        // File name kept, count and "Rec" cleared.
        QCOMPARE(QStringList({ rig.recorder.fileNameLabel(), rig.recorder.countLabel(),
                               rig.recorder.recLabel() }),
                 QStringList({ "rec.txt", "", "" }));
        // The next tick samples again and, with no recording on, clears the file name.
        rig.ticks(1);
        QCOMPARE(rig.recorder.fileNameLabel(), QString());
        QCOMPARE(listRows.count(), 34999);
        const QStringList numbers = recordNumbers(rig.path);
        QCOMPARE(numbers.size(), 35000);
        QCOMPARE(numbers.last(), QStringLiteral("35000"));
    }

    // A silent meter (declared after two samples, back after three more ticks): the stamps and
    // the tick count go on, but no record is written and no row listed; the numbers go on
    // without a hole and the silence is counted once. Nine fields leave the date out.
    void silenceIsNotRecorded_data()
    {
        QTest::addColumn<bool>("nine");
        QTest::addColumn<QString>("third"); // the third record
        const QString values = "\t23.4\t12.1\t16.5\t49.0\t74.1\t53.8\t61.7";
        test::row("ten fields", false, "3\t12:00:06" + values + "\t2026-12-07T12:00:06+01:00");
        test::row("nine fields", true, "3\t12:00:06" + values);
    }
    void silenceIsNotRecorded()
    {
        Rig rig;
        rig.recorder.setNineFields(FETCHED(bool, nine));
        QSignalSpy began(&rig.recorder, &Recorder::silenceBegan);
        QSignalSpy rows(&rig.recorder, &Recorder::listRowAppended);
        rig.recorder.startList();
        QVERIFY(rig.recorder.startRecording(rig.path));
        rig.ticks(2);
        rig.recorder.setMeterSilent(true);
        rig.ticks(3);
        QCOMPARE(rig.recorder.recordTime(), "12:00:05");
        rig.recorder.setMeterSilent(false);
        rig.ticks(1);
        rig.recorder.stopRecording();
        const QStringList lines = QString::fromLatin1(test::readBytes(rig.path)).split("\r\n");
        QCOMPARE(lines.size(), 4);
        QTEST(lines.at(2), "third");
        QCOMPARE(QList<qint64>({ began.count(), rows.count(), rig.recorder.silences() }),
                 QList<qint64>({ 1, 3, 1 }));
    }

    void writeFailureLosesNothing_data()
    {
        QTest::addColumn<bool>("diskFull"); // else the file is deleted
        QTest::addColumn<qint64>("countDuring");
        QTest::addColumn<QStringList>("atPathDuring");
        QTest::addColumn<QStringList>("atPathAfter");
        QTest::addColumn<qint64>("missed");
        // The disk fills in the middle of a line: the piece that got there is taken back out,
        // two due samples fail, and the record is written at the next due tick.
        // clang-format off
        QTest::newRow("disk full") << true << qint64(2) << QStringList { "1", "2" } << QStringList { "1", "2", "3" } << qint64(2);
        // The file is deleted: it is created again at its path, not written to a lost handle.
        QTest::newRow("file deleted") << false << qint64(3) << QStringList { "3" } << QStringList { "3", "4" } << qint64(0);
        // clang-format on
    }
    // Ticks 1 and 3 write records 1 and 2; the fault lasts over ticks 4 (counting), 5 and 6.
    // A failed tick counts nothing, leaves only whole lines and leaves the sample due, so
    // tick 7, with the fault gone, writes at once. The failure is reported with the system's
    // reason and the samples missed, and its end with the number missed.
    void writeFailureLosesNothing()
    {
        QFETCH(bool, diskFull);
        QFETCH(qint64, missed);
        Rig rig(2);
        QSignalSpy failed(&rig.recorder, &Recorder::writeFailed);
        QSignalSpy recovered(&rig.recorder, &Recorder::writeRecovered);
        QVERIFY(rig.recorder.startRecording(rig.path));
        rig.ticks(3);
        {
            test::FileSizeLimit limit(diskFull ? QFileInfo(rig.path).size() + 10 : 0);
            QVERIFY(diskFull || QFile::remove(rig.path));
            rig.ticks(3);
        }
        QVERIFY(rig.recorder.isRecording());
        QTEST(rig.recorder.recordCount(), "countDuring");
        QTEST(recordNumbers(rig.path), "atPathDuring");
        QCOMPARE(rig.recorder.isWriteFailing(), missed > 0);
        QCOMPARE(rig.recorder.samplesMissed(), missed);
        QCOMPARE(rig.recorder.writeError().isEmpty(), missed == 0);
        QCOMPARE(failed.count(), int(missed));
        if (missed > 0)
            QCOMPARE(failed.last(), QVariantList({ rig.recorder.writeError(), missed }));
        rig.ticks(1);
        QTEST(recordNumbers(rig.path), "atPathAfter");
        QVERIFY(!rig.recorder.isWriteFailing());
        QCOMPARE(recovered.count(), missed > 0 ? 1 : 0);
        QCOMPARE(recovered.value(0).value(0).toLongLong(), missed);
        // The recording's total stays readable after the stop.
        rig.recorder.stopRecording();
        QCOMPARE(rig.recorder.totalSamplesMissed(), missed);
    }
};

QTEST_APPLESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
