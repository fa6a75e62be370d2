#include "meter/SimulatedMeter.h"
#include "tests/common/CommandRun.h"
#include "tests/common/FileSizeLimit.h"
#include "tests/common/TestData.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>

using namespace dewscope;
using test::CommandRun;
using test::readBytes;

// dewscope-cli record against the simulated meter on a real pseudo-terminal.
class TestRecordCommand : public QObject
{
    Q_OBJECT

    std::optional<QTemporaryDir> m_dir;
    std::optional<SimulatedMeter> m_meter;
    const QByteArray m_old = "1\t10:00:00\t20.0\r\n";

private Q_SLOTS:
    // A fresh folder holding old.txt, and a meter (25.0 °C, 50.0 %) for each test.
    void init()
    {
        m_meter.reset();
        m_dir.emplace();
        QVERIFY(test::writeBytes(m_dir->filePath(QStringLiteral("old.txt")), m_old));
        m_meter.emplace();
        m_meter->setDrift(false);
        m_meter->setValues(25.0, 50.0);
        m_meter->setFrameInterval(200);
        QVERIFY(m_meter->open());
    }

    void recordsUntilStopped_data()
    {
        QTest::addColumn<int>("signalNumber"); // 0: after --count 3
        QTest::addColumn<bool>("nohup"); // SIGHUP ignored from the start: --count 3 ends it
        test::row("--count 3", 0, false);
        test::row("SIGTERM", int(SIGTERM), false);
        test::row("SIGHUP", int(SIGHUP), false);
        test::row("SIGHUP under nohup", int(SIGHUP), true);
    }

    // Old data replaced under --force; whole lines only, also when a signal ends the recording;
    // and only the 35,000th record would make a recording "full".
    void recordsUntilStopped()
    {
        const int signalNumber = FETCHED(int, signalNumber);
        const bool nohup = FETCHED(bool, nohup), counted = !signalNumber || nohup;
        const QString path = m_dir->filePath(QStringLiteral("old.txt"));
        QStringList args {
            "record", "--port", m_meter->path(), "--interval", "1", "--force", path
        };
        const auto hangUp = std::signal(SIGHUP, nohup ? SIG_IGN : SIG_DFL);
        if (signalNumber)
            QTimer::singleShot(nohup ? 600 : 2600, [=] { ::raise(signalNumber); });
        if (counted)
            args << "--count"
                 << "3";
        CommandRun run(args);
        std::signal(SIGHUP, hangUp);
        QCOMPARE(run.code, 0);
        // Lines ending CR LF, of ten fields: number from 1, stamp, 25.0 °C, dew and wet bulb,
        // 50.0 %, 77.0 °F, dew and wet bulb in °F, the date and time.
        const QStringList lines = QString::fromLatin1(readBytes(path)).split("\r\n");
        const int written = int(lines.size()) - 1;
        QVERIFY2(lines.last().isEmpty() && written >= 1 && written <= 3
                     && (!counted || written == 3),
                 qPrintable(lines.join('|')));
        for (int i = 0; i < written; ++i)
            QVERIFY2(QRegularExpression(
                         QStringLiteral("^%1\t[\\d:]{8}\t25.0\t13.9\t18.0\t50.0\t77.0\t57.0\t64.4"
                                        "\t\\d{4}-\\d\\d-\\d\\dT[\\d:]{8}[+-]\\d\\d:\\d\\d$")
                             .arg(i + 1))
                         .match(lines.at(i))
                         .hasMatch(),
                     qPrintable(lines.at(i)));
        // What was printed is what was written.
        QCOMPARE(run.out(), lines.mid(0, written).join('\n') + '\n');
        QCOMPARE(run.err(),
                 QStringLiteral("dewscope-cli record: %1 record(s) written to %2, 0 sample(s) "
                                "missed, 0 silence(s) (0:00:00 silent)\n")
                     .arg(written)
                     .arg(path));
    }

    void fileReplacedMidway_data()
    {
        QTest::addColumn<QString>("moved"); // where the file goes after 2 records; empty: deleted
        test::row("renamed", QString("moved.txt"));
        test::row("removed", QString());
    }
    // The file renamed or removed mid-recording: a new file at its path takes the records that
    // follow, stderr says so, and the last line counts the records in each file.
    void fileReplacedMidway()
    {
        const QString path = m_dir->filePath("rr.txt"), moved = FETCHED(QString, moved);
        const QString movedPath = moved.isEmpty() ? QString() : m_dir->filePath(moved);
        CommandRun run;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (run.out().count('\n') >= 2 && (watch.stop(), true))
                QVERIFY(moved.isEmpty() ? QFile::remove(path) : QFile::rename(path, movedPath));
        });
        watch.start(50);
        run.exec({ "record", "--port", m_meter->path(), "--interval", "1", "--count", "5", path });
        const int inNew = int(readBytes(path).count("\r\n")), inEarlier = 5 - inNew;
        const QString where = moved.isEmpty() ? "deleted" : "now " + movedPath;
        QVERIFY2(run.code == 0 && inEarlier >= 2
                     && (moved.isEmpty() || readBytes(movedPath).count("\r\n") == inEarlier)
                     && run.err().contains(path + " was replaced on disk; the earlier file ("
                                           + where + ") holds " + QString::number(inEarlier))
                     && run.err().endsWith(
                         QString("5 record(s): %1 in %2, %3 in the earlier "
                                 "file (%4), 0 sample(s) missed, 0 silence(s) (0:00:00 silent)\n")
                             .arg(QString::number(inNew), path, QString::number(inEarlier), where)),
                 qPrintable(run.err()));
    }

    // The disk is full (a file size limit, SIGXFSZ ignored) for the first 3 s, then is freed:
    // the first failed sample is reported with the system's reason, then the recovery; the
    // recording ends at its count of samples, written or missed, with status 1.
    void fullDiskIsReported()
    {
        const QString path = m_dir->filePath(QStringLiteral("rec.txt"));
        std::optional<test::FileSizeLimit> limit;
        // Limited once the port and the file are open (the port's lock file is written too): one
        // byte of a record fits, then the write fails with the reason EFBIG.
        QTimer::singleShot(0, [&limit] { limit.emplace(1); });
        QTimer::singleShot(3000, [&limit] { limit.reset(); });
        CommandRun run(
            { "record", "--port", m_meter->path(), "--interval", "1", "--count", "4", path });

        QCOMPARE(run.code, 1);
        const QByteArray bytes = readBytes(path);
        const QString err = run.err();
        const QString failed = "cannot write to " + path + ": " + strerror(EFBIG);
        const QRegularExpressionMatch recovered
            = QRegularExpression(R"(writing again after (\d+) missed sample)").match(err);
        const int missed = recovered.captured(1).toInt(), written = 4 - missed;
        QVERIFY2(
            err.count(failed) == 1 && missed >= 1 && bytes.count("\r\n") == written
                && err.contains(QString("%1 record(s) written to %2, %3 sample(s) missed,")
                                    .arg(QString::number(written), path, QString::number(missed))),
            qPrintable(err));
    }

    // A meter that falls silent for 12 s (the simulator, a process of its own): each record's
    // date and time is the clock's as it is printed, nothing is recorded while the poll holds
    // the meter silent, and the summary finds one gap of the silence's length, less the poll's
    // 3 s to notice it, give or take a sampling interval.
    void silenceLeavesAGap()
    {
        QProcess simulate;
        simulate.start(DEWSCOPE_CLI,
                       QString("simulate --fixed --interval 200 --silence-after 3 --silence-for 12")
                           .split(' '));
        QVERIFY(simulate.waitForReadyRead(10000));
        const QString port = QString::fromLocal8Bit(simulate.readLine()).trimmed();
        const QString path = m_dir->filePath(QStringLiteral("rec.txt"));
        CommandRun run;
        QStringList late;
        qsizetype checked = 0;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            const QStringList lines = run.out().split('\n', Qt::SkipEmptyParts);
            for (; checked < lines.size(); ++checked) {
                const auto at = QDateTime::fromString(lines[checked].section('\t', 9), Qt::ISODate);
                if (!at.isValid() || qAbs(at.secsTo(QDateTime::currentDateTime())) > 2)
                    late << lines[checked];
            }
        });
        watch.start(100);
        QCOMPARE(run.exec({ "record", "--port", port, "--interval", "1", "--count", "12", path }),
                 0);
        simulate.kill();
        simulate.waitForFinished();
        QVERIFY2(late.isEmpty() && checked == 12, qPrintable(late.join('\n')));
        QVERIFY2(run.err().contains("record: the meter is silent; nothing is recorded until it "
                                    "sends again\ndewscope-cli record: the meter is back; "
                                    "recording goes on\n")
                     && run.err().contains(path + ", 0 sample(s) missed, 1 silence(s) (0:00:"),
                 qPrintable(run.err()));
        const QJsonObject json
            = QJsonDocument::fromJson(CommandRun({ "summary", path, "--json" }).out().toUtf8())
                  .object();
        const double gap = json["gap_seconds"].toDouble();
        QVERIFY2(json["dated"].toBool() && json["gaps"].toArray().size() == 1 && gap >= 12 - 3 - 2.5
                     && gap <= 12 + 1.5,
                 qPrintable(QJsonDocument(json).toJson()));
    }

    // "LIMIT COMMAND ARGS": the bytes a file may take and a command line (@PORT: the simulated
    // meter, @SILENT: one that sends nothing, @DIR: the test's folder); the exit code, a part of
    // stderr, and what the last file named holds afterwards (empty: as before).
    void commandLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QString>("after");
        for (const QString command :
             { "unlimited plot @DIR/old.txt --png ", "unlimited print @DIR/old.txt --pdf " })
            for (const QString row :
                 { "/dev/null|1|not a regular file", "@DIR/fifo|1|not a regular file",
                   "@DIR/folder|1|is a folder", "@DIR/protected|1|write-protected",
                   "@DIR/old.txt|1|the input file itself", "/sys/out|1|Permission denied",
                   "@DIR/earlier|0||^(%PDF|.PNG)" })
                test::row(qPrintable(command + row), command + row.section('|', 0, 0),
                          row.section('|', 1, 1).toInt(), row.section('|', 2, 2),
                          row.section('|', 3));
        // As on a full disk: two records of nine fields (47 bytes) fit, the third is cut short
        // and the fourth is missed too.
        const QString tooLarge = "@DIR/earlier cannot be written: " + QString(strerror(EFBIG));
        // clang-format off
        test::row("record, 100 bytes", "100 record --port @PORT --interval 1 --count 4 --nine-fields --force @DIR/old.txt", 1, "2 record(s) written to @DIR/old.txt, 2 sample(s) missed", "^1\t[^\r]+\r\n2\t[^\r]+\r\n$");
        test::row("plot, 100 bytes", "100 plot @DIR/old.txt --png @DIR/earlier", 1, tooLarge, "");
        test::row("print, 100 bytes", "100 print @DIR/old.txt --pdf @DIR/earlier", 1, tooLarge, "");
        test::row("report of 3000 rows", "unlimited report @DIR/big.txt --pdf @DIR/earlier", 0, "", "^%PDF[\\s\\S]*%%EOF\\s*$");
        // A cut output never replaces what was there, whatever writes it: the report of big.txt
        // is 71 kB, print 243 kB, plot 24 kB, the memory 24,011 bytes (LIMIT:BYTES SENT of it;
        // 4,000 bytes more than the limit make a .partial that cannot be kept).
        for (const QString limit : { "100", "8192", "16000" })
            for (const QString command : { " report @DIR/big.txt --pdf @DIR/earlier", " print @DIR/big.txt --pdf @DIR/earlier", " plot @DIR/big.txt --png @DIR/earlier", ":24011 download --port @PORT --timeout 30 --force --out @DIR/earlier", ":%1 download --port @PORT --timeout 30 --force --out @DIR/earlier" })
                test::row(qPrintable(limit + command), limit + QString(command).replace("%1", QString::number(limit.toInt() + 4000)), 1, command.startsWith(":%") ? "@DIR/earlier.partial cannot be written: " + QString(strerror(EFBIG)) : tooLarge, "");
        // A refused recording, or one that never writes a record, leaves a file as it was.
        test::row("missing port", "unlimited record --port @DIR/none --interval 1 --force @DIR/old.txt", 1, "cannot open", "");
        test::row("old data without --force", "unlimited record --port @PORT --interval 1 --count 1 @DIR/old.txt", 1, "--force", "");
        test::row("folder missing", "unlimited record --port @PORT --interval 1 @DIR/no/such/x.txt", 1, "cannot create", "");
        test::row("file is a folder", "unlimited record --port @PORT --interval 1 @DIR", 1, "is a folder", "");
        test::row("FIFO without a reader", "unlimited record --port @PORT --interval 1 @DIR/fifo", 1, "not a regular file", "");
        test::row("write-protected", "unlimited record --port @PORT --interval 1 --force @DIR/protected", 1, "write-protected", "");
        test::row("count zero", "unlimited record --port @PORT --interval 1 --count 0 @DIR/old.txt", 2, "--count", "");
        test::row("no file", "unlimited record --port @PORT --interval 1", 2, "Usage", "");
        test::row("no reading ever", "unlimited record --port @SILENT --interval 1 --first-reading-wait 5 --force @DIR/old.txt", 1,
                  "record: no reading has arrived yet; nothing is recorded until one does\ndewscope-cli record: no reading came from @SILENT within 5 s; stopped (is the meter on and connected?)\ndewscope-cli record: 0 record(s) written", "");
        // clang-format on
    }
    // The program itself with no desktop session (and no notice of the runtime folder it
    // lacks): a refused target stays as it was; a write beyond the file size limit fails, is
    // reported and leaves whole lines only; no temporary file is left.
    void commandLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, err);
        QFETCH(QString, after);
        m_meter->setSilent(line.contains("@SILENT"));
        for (QString *text : { &line, &err })
            text->replace(QRegularExpression("@PORT|@SILENT"), m_meter->path())
                .replace("@DIR", m_dir->path());
        QDir dir(m_dir->path());
        QByteArray big; // 3,000 rows, temperature and humidity going up and down
        for (int i = 1; i <= 3000; ++i)
            big += QString::asprintf(
                       "%d\t%02d:%02d:00\t%.1f\t10.0\t15.0\t%.1f\t70.0\t50.0\t59.0\r\n", i,
                       i / 60 % 24, i % 60, 20 + i % 37 / 10.0, 40 + i % 53 / 5.0)
                       .toLatin1();
        const QString limit = line.section(' ', 0, 0);
        if (limit.contains(':')) // the meter sends its memory at 24 kB/s, or that many bytes of it
            QTimer::singleShot(1000, &*m_meter, [this, sent = limit.section(':', 1).toInt()] {
                const QByteArray memory = SimulatedMeter::makeMemoryImage(8, 749, QTime(10, 0), 60);
                m_meter->sendDownload(memory.left(sent), 0, 24000);
            });
        QVERIFY(test::writeBytes(dir.filePath("big.txt"), big)
                && test::writeBytes(dir.filePath("earlier"), m_old)
                && test::writeBytes(dir.filePath("protected"), m_old)
                && QFile::setPermissions(dir.filePath("protected"), QFile::ReadOwner)
                && dir.mkdir("folder") && ::mkfifo(qPrintable(dir.filePath("fifo")), 0600) == 0);
        const QString target = line.section(' ', -1);
        const auto state
            = [&target] { return QFileInfo(target).isFile() ? readBytes(target) : ""; };
        const QByteArray before = state();
        const QStringList entries = dir.entryList(QDir::AllEntries | QDir::System);
        QProcess program;
        QSignalSpy finished(&program, &QProcess::finished); // the meter runs meanwhile
        program.start("env",
                      QString("-u XDG_RUNTIME_DIR prlimit --fsize=%1 " DEWSCOPE_CLI " %2")
                          .arg(limit.section(':', 0, 0), line.section(' ', 1))
                          .split(' '));
        QVERIFY(finished.wait(60000));
        const QString printed = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && printed.contains(err)
                     && !printed.contains("XDG_RUNTIME_DIR"),
                 qPrintable(printed));
        QTEST(program.exitCode(), "code");
        QVERIFY(after.isEmpty() ? state() == before
                                : QString::fromLatin1(state()).contains(QRegularExpression(after)));
        QCOMPARE(dir.entryList(QDir::AllEntries | QDir::System), entries);
    }
};

QTEST_GUILESS_MAIN(TestRecordCommand)
#include "tst_record_command.moc"
