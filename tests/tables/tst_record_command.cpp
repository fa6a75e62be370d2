#include "meter/SimulatedMeter.h"
#include "tests/common/CommandRun.h"
#include "tests/common/TestData.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>
#include <sys/resource.h>

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
        QTest::addColumn<bool>("bySignal"); // else after --count 3
        QTest::newRow("--count 3") << false;
        QTest::newRow("SIGTERM") << true;
    }

    // Old data replaced under --force; whole lines only, also when SIGTERM ends the recording;
    // and only the 35,000th record would make a recording "full".
    void recordsUntilStopped()
    {
        QFETCH(bool, bySignal);
        const QString path = m_dir->filePath(QStringLiteral("old.txt"));
        QStringList args {
            "record", "--port", m_meter->path(), "--interval", "1", "--force", path
        };
        if (bySignal)
            QTimer::singleShot(2600, [] { ::raise(SIGTERM); });
        else
            args << "--count"
                 << "3";
        CommandRun run(args);
        QCOMPARE(run.code, 0);
        // Lines ending CR LF, of nine fields: number from 1, stamp, 25.0 °C, dew and wet bulb,
        // 50.0 %, 77.0 °F, dew and wet bulb in °F.
        const QStringList lines = QString::fromLatin1(readBytes(path)).split("\r\n");
        const int written = int(lines.size()) - 1;
        QVERIFY2(lines.last().isEmpty() && written >= 1 && written <= 3
                     && (bySignal || written == 3),
                 qPrintable(lines.join('|')));
        for (int i = 0; i < written; ++i)
            QVERIFY2(
                QRegularExpression(QStringLiteral("^%1\t\\d\\d:\\d\\d:\\d\\d\t25.0\t13.9\t18.0\t"
                                                  "50.0\t77.0\t57.0\t64.4$")
                                       .arg(i + 1))
                    .match(lines.at(i))
                    .hasMatch(),
                qPrintable(lines.at(i)));
        // What was printed is what was written.
        QCOMPARE(run.out(), lines.mid(0, written).join('\n') + '\n');
        QCOMPARE(run.err(),
                 QStringLiteral("dewscope-cli record: %1 record(s) written to %2, 0 sample(s) "
                                "missed\n")
                     .arg(written)
                     .arg(path));
    }

    // The disk is full (a file size limit, SIGXFSZ ignored) for the first 3 s, then is freed:
    // the first failed sample is reported with the system's reason, then the recovery; the
    // recording goes on to its count and ends with status 1.
    void fullDiskIsReported()
    {
        const QString path = m_dir->filePath(QStringLiteral("rec.txt"));
        struct rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        struct rlimit limited = saved;
        limited.rlim_cur = 0; // a write fails whole, with the reason EFBIG
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        // Limited once the port and the file are open (the port's lock file is written too).
        QTimer::singleShot(0, [&limited] { setrlimit(RLIMIT_FSIZE, &limited); });
        QTimer::singleShot(3000, [&saved] { setrlimit(RLIMIT_FSIZE, &saved); });
        CommandRun run(
            { "record", "--port", m_meter->path(), "--interval", "1", "--count", "2", path });
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(run.code, 1);
        const QByteArray bytes = readBytes(path);
        QVERIFY2(bytes.count("\r\n") == 2 && bytes.count('\t') == 16, bytes.constData());
        const QString err = run.err();
        const QString failed = "cannot write to " + path + ": " + strerror(EFBIG);
        const QRegularExpressionMatch recovered
            = QRegularExpression(R"(writing again after (\d+) missed sample)").match(err);
        QVERIFY2(err.count(failed) == 1 && recovered.captured(1).toInt() >= 1
                     && err.endsWith(QStringLiteral("2 record(s) written to %1, %2 sample(s) "
                                                    "missed\n")
                                         .arg(path, recovered.captured(1))),
                 qPrintable(err));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("args"); // @PORT: the simulated meter, @DIR: the test's folder
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message"); // a part of it
        // clang-format off
        QTest::newRow("missing port") << "--port @DIR/none --interval 1 --force @DIR/old.txt" << 1 << "cannot open";
        QTest::newRow("old data without --force") << "--port @PORT --interval 1 --count 1 @DIR/old.txt" << 1 << "--force";
        QTest::newRow("folder missing") << "--port @PORT --interval 1 @DIR/no/such/x.txt" << 1 << "cannot create";
        QTest::newRow("file is a folder") << "--port @PORT --interval 1 @DIR" << 1 << "cannot create";
        QTest::newRow("count zero") << "--port @PORT --interval 1 --count 0 @DIR/old.txt" << 2 << "--count";
        QTest::newRow("no file") << "--port @PORT --interval 1" << 2 << "Usage";
        // clang-format on
    }

    // A refused recording never truncates a file that is there.
    void refusals()
    {
        QFETCH(QString, args);
        QFETCH(QString, message);
        args.replace("@PORT", m_meter->path()).replace("@DIR", m_dir->path());
        CommandRun run(QStringList { "record" } + args.split(' '));
        QTEST(run.code, "code");
        QVERIFY2(run.err().contains(message), qPrintable(run.err()));
        QCOMPARE(readBytes(m_dir->filePath(QStringLiteral("old.txt"))), m_old);
    }
};

QTEST_GUILESS_MAIN(TestRecordCommand)
#include "tst_record_command.moc"
