#include "cli/Command.h"
#include "meter/SimulatedMeter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace hygrolog;

namespace {
struct Run
{
    int code;
    QString out;
    QString err;
};

Run run(const QStringList &args)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    cli::Io io { outStream, errStream };
    const int code = cli::runCommandLine(args, io);
    outStream.flush();
    errStream.flush();
    return { code, out, err };
}

QList<QByteArray> fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
} // namespace

// hygrolog-cli record against the simulated meter on a real pseudo-terminal.
class TestRecordCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void recordsCountedSamples();
    void stopsCleanlyOnSignal();
    void refusals_data();
    void refusals();

private:
    SimulatedMeter *m_meter = nullptr;
    QTemporaryDir *m_dir = nullptr;
};

void TestRecordCommand::init()
{
    m_dir = new QTemporaryDir;
    m_meter = new SimulatedMeter;
    m_meter->setDrift(false);
    m_meter->setValues(25.0, 50.0);
    m_meter->setFrameInterval(200);
    QString error;
    QVERIFY2(m_meter->open(&error), qPrintable(error));
}

void TestRecordCommand::cleanup()
{
    delete m_meter;
    m_meter = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

void TestRecordCommand::recordsCountedSamples()
{
    const QString path = m_dir->filePath(QStringLiteral("rec.txt"));
    const Run result
        = run({ "record", "--port", m_meter->path(), "--interval", "1", "--count", "3", path });
    QCOMPARE(result.code, 0);
    const QList<QByteArray> lines = fileLines(path);
    QCOMPARE(lines.size(), 3);
    QTime previous;
    for (int i = 0; i < lines.size(); ++i) {
        QVERIFY(lines.at(i).endsWith('\r'));
        const QList<QByteArray> fields = lines.at(i).chopped(1).split('\t');
        QCOMPARE(fields.size(), 9);
        QCOMPARE(fields.at(0), QByteArray::number(i + 1));
        const QTime stamp = QTime::fromString(QString::fromLatin1(fields.at(1)), "hh:mm:ss");
        QVERIFY(stamp.isValid());
        if (previous.isValid()) {
            const int step = previous.secsTo(stamp);
            // One second further, unless the stamp was pulled back to the clock.
            QVERIFY2(step >= 0 && step <= 1, qPrintable(QString::number(step)));
        }
        previous = stamp;
        QCOMPARE(fields.at(2), QByteArray("25.0"));
        QCOMPARE(fields.at(5), QByteArray("50.0"));
        QCOMPARE(fields.at(6), QByteArray("77.0"));
    }
    // What was printed is what was written.
    QCOMPARE(result.out.split('\n', Qt::SkipEmptyParts).size(), 3);
    QVERIFY(result.out.startsWith(QString::fromLatin1(lines.at(0).chopped(1))));
}

void TestRecordCommand::stopsCleanlyOnSignal()
{
    const QString path = m_dir->filePath(QStringLiteral("rec.txt"));
    // SIGTERM arrives while the recording runs: the file keeps whole lines only.
    QTimer::singleShot(2600, [] { ::raise(SIGTERM); });
    const Run result = run({ "record", "--port", m_meter->path(), "--interval", "1", path });
    QCOMPARE(result.code, 0);
    const QList<QByteArray> lines = fileLines(path);
    QVERIFY2(lines.size() >= 1 && lines.size() <= 3, qPrintable(QString::number(lines.size())));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().endsWith("\r\n"));
    for (const QByteArray &line : lines)
        QCOMPARE(line.count('\t'), 8);
}

void TestRecordCommand::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    // "@PORT" stands for the simulated meter, "@DIR" for the test's folder.
    QTest::newRow("missing port") << QStringList { "record",     "--port", "@DIR/none",
                                                   "--interval", "1",      "@DIR/old.txt" }
                                  << 1;
    QTest::newRow("folder missing")
        << QStringList { "record", "--port", "@PORT", "--interval", "1", "@DIR/no/such/x.txt" }
        << 1;
    QTest::newRow("file is a folder")
        << QStringList { "record", "--port", "@PORT", "--interval", "1", "@DIR" } << 1;
    QTest::newRow("interval not a number")
        << QStringList { "record", "--port", "@PORT", "--interval", "abc", "@DIR/old.txt" } << 2;
    QTest::newRow("count zero") << QStringList { "record", "--port",  "@PORT", "--interval",
                                                 "1",      "--count", "0",     "@DIR/old.txt" }
                                << 2;
    QTest::newRow("no file") << QStringList { "record", "--port", "@PORT", "--interval", "1" } << 2;
}

void TestRecordCommand::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    const QString old = m_dir->filePath(QStringLiteral("old.txt"));
    {
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("1\t10:00:00\t20.0\r\n");
    }
    for (QString &arg : args) {
        arg.replace(QLatin1String("@PORT"), m_meter->path());
        arg.replace(QLatin1String("@DIR"), m_dir->path());
    }
    const Run result = run(args);
    QCOMPARE(result.code, code);
    QVERIFY(!result.err.isEmpty());
    // A refused recording never truncates a file that is there.
    QCOMPARE(fileLines(old).size(), 1);
}

QTEST_GUILESS_MAIN(TestRecordCommand)
#include "tst_record_command.moc"
