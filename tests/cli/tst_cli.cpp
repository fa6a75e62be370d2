#include "cli/Command.h"

#include <QTemporaryDir>
#include <QtTest>

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
} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandLines_data();
    void commandLines();
    void readPrintsRowsOfAFile();
    void readOfAMissingFileFails();
};

void TestCli::commandLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");

    QTest::newRow("decode carries values over")
            << QStringList { "decode", "0200FA01F403", "0200FA000003", "FFFFFFFFFFFF", "0100FA01F403" }
            << 0
            << "25.0\t13.9\t18.0\t50.0\t77.0\t57.0\t64.4\n"
               "25.0\t13.9\t18.0\t0.0\t77.0\t57.0\t64.4\n"
               "download\n"
               "dropped\n";
    QTest::newRow("decode before any dew point")
            << QStringList { "decode", "02006400000" "3" } << 0
            << "10.0\t\t\t0.0\t50.0\t\t\n";
    QTest::newRow("decode lower-case hex")
            << QStringList { "decode", "02800001f403" } << 0 << "OL\tOL\tOL\t50.0\tOL\tOL\tOL\n";
    QTest::newRow("decode bad frame") << QStringList { "decode", "0200FA01F4" } << 2 << "";
    QTest::newRow("decode not hex") << QStringList { "decode", "0200FA01F4ZZ" } << 2 << "";
    QTest::newRow("decode nothing") << QStringList { "decode" } << 2 << "";
    QTest::newRow("psychro")
            << QStringList { "psychro", "25", "50" } << 0
            << "13.86761705026032\t17.980000000000011\t56.961710690468578\t64.364000000000019\n";
    QTest::newRow("psychro dry air fails") << QStringList { "psychro", "25", "0" } << 1 << "";
    QTest::newRow("psychro not a number") << QStringList { "psychro", "25", "x" } << 2 << "";
    QTest::newRow("psychro one argument") << QStringList { "psychro", "25" } << 2 << "";
    QTest::newRow("unknown command") << QStringList { "frobnicate" } << 2 << "";
    QTest::newRow("no command") << QStringList {} << 2 << "";
    QTest::newRow("read without file") << QStringList { "read" } << 2 << "";
}

void TestCli::commandLines()
{
    QFETCH(QStringList, args);
    const Run result = run(args);
    QTEST(result.code, "code");
    QTEST(result.out, "out");
    QCOMPARE(result.err.isEmpty(), result.code == 0);
}

void TestCli::readPrintsRowsOfAFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rows.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("1\t10:00:00\t20.0\t\r\n2\t10:00:02,x\r\n");
    file.close();
    const Run result = run({ "read", path });
    QCOMPARE(result.code, 0);
    QCOMPARE(result.out,
             QStringLiteral("1\t10:00:00\t20.0\t\t\t\t\t\t\n"
                            "2\t10:00:02\t\t\t\t\t\t\t\n"
                            "x\t\t\t\t\t\t\t\t\n"));
}

void TestCli::readOfAMissingFileFails()
{
    const Run result = run({ "read", "/nonexistent/file.txt" });
    QCOMPARE(result.code, 1);
    QVERIFY(result.err.contains(QStringLiteral("cannot open")));
}

QTEST_APPLESS_MAIN(TestCli)
#include "tst_cli.moc"
