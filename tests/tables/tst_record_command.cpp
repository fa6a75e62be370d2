#include "meter/SimulatedMeter.h"
#include "tests/common/CommandRun.h"

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

namespace {
QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot open>");
}
} // namespace

// dewscope-cli record against the simulated meter on a real pseudo-terminal.
class TestRecordCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void recordsUntilStopped_data();
    void recordsUntilStopped();
    void fullDiskIsReported();
    void refusals_data();
    void refusals();

private:
    std::optional<QTemporaryDir> m_dir;
    std::optional<SimulatedMeter> m_meter;
    const QByteArray m_old = "1\t10:00:00\t20.0\r\n";
};

// A fresh folder holding old.txt, and a meter (25.0 °C, 50.0 %) for each test.
void TestRecordCommand::init()
{
    m_meter.reset();
    m_dir.emplace();
    QFile file(m_dir->filePath(QStringLiteral("old.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(m_old) == m_old.size());
    m_meter.emplace();
    m_meter->setDrift(false);
    m_meter->setValues(25.0, 50.0);
    m_meter->setFrameInterval(200);
    QString error;
    QVERIFY2(m_meter->open(&error), qPrintable(error));
}

void TestRecordCommand::recordsUntilStopped_data()
{
    QTest::addColumn<bool>("bySignal"); // else after --count 3
    QTest::newRow("--count 3") << false;
    QTest::newRow("SIGTERM") << true;
}

// Old data replaced under --force; whole lines only, also when SIGTERM ends the recording; and
// only the 35,000th record makes a recording "full".
void TestRecordCommand::recordsUntilStopped()
{
    QFETCH(bool, bySignal);
    const QString path = m_dir->filePath(QStringLiteral("old.txt"));
    QStringList args { "record", "--port", m_meter->path(), "--interval", "1", "--force", path };
    if (bySignal)
        QTimer::singleShot(2600, [] { ::raise(SIGTERM); });
    else
        args << "--count" << "3";
    CommandRun run(args);
    QCOMPARE(run.code, 0);
    // Lines ending CR LF, of nine fields: number, stamp, 25.0 °C, dew and wet bulb, 50.0 %,
    // 77.0 °F, dew and wet bulb in °F.
    const QStringList lines = QString::fromLatin1(readBytes(path)).split(QStringLiteral("\r\n"));
    const int written = int(lines.size()) - 1;
    QCOMPARE(lines.last(), QString());
    QVERIFY2(bySignal ? written >= 1 && written <= 3 : written == 3, qPrintable(lines.join('|')));
    const QRegularExpression fields(
        QStringLiteral(R"(^(\d+)\t(\d\d:\d\d:\d\d)\t25\.0\t%1\t%1\t50\.0\t77\.0\t%1\t%1$)")
            .arg(QStringLiteral(R"([^\t]+)")));
    QTime previous;
    for (int i = 0; i < written; ++i) {
        const QRegularExpressionMatch match = fields.match(lines.at(i));
        QVERIFY2(match.hasMatch(), qPrintable(lines.at(i)));
        QCOMPARE(match.captured(1).toInt(), i + 1);
        const QTime stamp = QTime::fromString(match.captured(2), QStringLiteral("hh:mm:ss"));
        // One second further, unless the stamp was pulled back to the clock.
        const int step = previous.isValid() ? previous.secsTo(stamp) : 0;
        QVERIFY2(stamp.isValid() && step >= 0 && step <= 1, qPrintable(lines.at(i)));
        previous = stamp;
    }
    // What was printed is what was written.
    QCOMPARE(run.out(), lines.mid(0, written).join(QLatin1Char('\n')) + QLatin1Char('\n'));
    QCOMPARE(run.err(), QStringLiteral("dewscope-cli record: %1 record(s) written to %2, 0 "
                                       "sample(s) missed\n")
                            .arg(written)
                            .arg(path));
}

// The disk is full (a file size limit, SIGXFSZ ignored) for the first 3 s, then is freed: the
// first failed sample is reported with the system's reason, then the recovery; the recording
// goes on to its count and ends with status 1.
void TestRecordCommand::fullDiskIsReported()
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
    QCOMPARE(bytes.count("\r\n"), 2);
    QCOMPARE(bytes.count('\t'), 16);
    const QString err = run.err();
    const QString failed = "cannot write to " + path + ": " + QString::fromLocal8Bit(strerror(EFBIG));
    QVERIFY2(err.count(failed) == 1, qPrintable(err));
    const QRegularExpressionMatch recovered
        = QRegularExpression(QStringLiteral(R"(writing again after (\d+) missed sample)"))
              .match(err);
    QVERIFY2(recovered.hasMatch() && recovered.captured(1).toInt() >= 1, qPrintable(err));
    QVERIFY2(err.endsWith(QStringLiteral("2 record(s) written to %1, %2 sample(s) missed\n")
                              .arg(path, recovered.captured(1))),
             qPrintable(err));
}

void TestRecordCommand::refusals_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // a part of it
    // "@PORT" stands for the simulated meter, "@DIR" for the test's folder.
    QTest::newRow("missing port")
        << "--port @DIR/none --interval 1 --force @DIR/old.txt" << 1 << "cannot open";
    QTest::newRow("old data without --force")
        << "--port @PORT --interval 1 --count 1 @DIR/old.txt" << 1 << "--force";
    QTest::newRow("folder missing")
        << "--port @PORT --interval 1 @DIR/no/such/x.txt" << 1 << "cannot create";
    QTest::newRow("file is a folder") << "--port @PORT --interval 1 @DIR" << 1 << "cannot create";
    QTest::newRow("count zero") << "--port @PORT --interval 1 --count 0 @DIR/old.txt" << 2
                                << "--count";
    QTest::newRow("no file") << "--port @PORT --interval 1" << 2 << "Usage";
}

// A refused recording never truncates a file that is there.
void TestRecordCommand::refusals()
{
    QFETCH(QString, args);
    QFETCH(QString, message);
    args.replace(QLatin1String("@PORT"), m_meter->path())
        .replace(QLatin1String("@DIR"), m_dir->path());
    CommandRun run(QStringList { QStringLiteral("record") } + args.split(QLatin1Char(' ')));
    QTEST(run.code, "code");
    QVERIFY2(run.err().contains(message), qPrintable(run.err()));
    QCOMPARE(readBytes(m_dir->filePath(QStringLiteral("old.txt"))), m_old);
}

QTEST_GUILESS_MAIN(TestRecordCommand)
#include "tst_record_command.moc"
