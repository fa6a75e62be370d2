#include "meter/SimulatedMeter.h"
#include "tests/common/CommandRun.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <optional>

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
    void recordsCountedSamples();
    void stopsCleanlyOnSignal();
    void refusals_data();
    void refusals();

private:
    std::optional<QTemporaryDir> m_dir;
    std::optional<SimulatedMeter> m_meter;
};

// A fresh folder and meter (25.0 °C, 50.0 %) for each test; the previous ones go.
void TestRecordCommand::init()
{
    m_meter.reset();
    m_dir.emplace();
    m_meter.emplace();
    m_meter->setDrift(false);
    m_meter->setValues(25.0, 50.0);
    m_meter->setFrameInterval(200);
    QString error;
    QVERIFY2(m_meter->open(&error), qPrintable(error));
}

void TestRecordCommand::recordsCountedSamples()
{
    const QString path = m_dir->filePath(QStringLiteral("rec.txt"));
    CommandRun run(
        { "record", "--port", m_meter->path(), "--interval", "1", "--count", "3", path });
    QCOMPARE(run.code, 0);
    // Three lines ending CR LF, of nine fields: number, stamp, 25.0 °C, dew and wet bulb,
    // 50.0 %, 77.0 °F, dew and wet bulb in °F.
    const QStringList lines = QString::fromLatin1(readBytes(path)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.mid(3), QStringList(QString()));
    const QRegularExpression fields(
        QStringLiteral(R"(^(\d+)\t(\d\d:\d\d:\d\d)\t25\.0\t%1\t%1\t50\.0\t77\.0\t%1\t%1$)")
            .arg(QStringLiteral(R"([^\t]+)")));
    QTime previous;
    for (int i = 0; i < 3; ++i) {
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
    QCOMPARE(run.out(), lines.mid(0, 3).join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void TestRecordCommand::stopsCleanlyOnSignal()
{
    const QString path = m_dir->filePath(QStringLiteral("rec.txt"));
    // SIGTERM arrives while the recording runs: the file keeps whole lines only.
    QTimer::singleShot(2600, [] { ::raise(SIGTERM); });
    QCOMPARE(CommandRun({ "record", "--port", m_meter->path(), "--interval", "1", path }).code, 0);
    const QByteArray bytes = readBytes(path);
    const qsizetype lines = bytes.count("\r\n");
    QVERIFY2(lines >= 1 && lines <= 3, bytes.constData());
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\t'), 8 * lines);
}

void TestRecordCommand::refusals_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("code");
    // "@PORT" stands for the simulated meter, "@DIR" for the test's folder.
    QTest::newRow("missing port") << "--port @DIR/none --interval 1 @DIR/old.txt" << 1;
    QTest::newRow("folder missing") << "--port @PORT --interval 1 @DIR/no/such/x.txt" << 1;
    QTest::newRow("file is a folder") << "--port @PORT --interval 1 @DIR" << 1;
    QTest::newRow("count zero") << "--port @PORT --interval 1 --count 0 @DIR/old.txt" << 2;
    QTest::newRow("no file") << "--port @PORT --interval 1" << 2;
}

void TestRecordCommand::refusals()
{
    QFETCH(QString, args);
    QFETCH(int, code);
    const QByteArray old = "1\t10:00:00\t20.0\r\n";
    QFile file(m_dir->filePath(QStringLiteral("old.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    file.close();
    args.replace(QLatin1String("@PORT"), m_meter->path())
        .replace(QLatin1String("@DIR"), m_dir->path());
    CommandRun run(QStringList { QStringLiteral("record") } + args.split(QLatin1Char(' ')));
    QCOMPARE(run.code, code);
    QVERIFY(!run.err().isEmpty());
    // A refused recording never truncates a file that is there.
    QCOMPARE(readBytes(file.fileName()), old);
}

QTEST_GUILESS_MAIN(TestRecordCommand)
#include "tst_record_command.moc"
