#include "recording/DataFileReader.h"
#include "tests/common/CommandRun.h"
#include "tests/common/TestData.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using dewscope::test::CommandRun;

// Every command's output and exit code (0 done, 1 failed, 2 misused), run in-process. The
// commands that follow a live meter over a pseudo-terminal (monitor, ports, simulate) are driven
// end to end in test_link; here only their refusals, which need no meter.
class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outputs_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // what stderr says of a cut row

        // A data file with a comma in its second line: the reader makes it two items; a row has
        // nine cells whatever it holds (a trailing TAB or fields beyond the ninth). A row
        // longer than the reader keeps is printed cut, and stderr says so.
        const QString rows = writeFile("rows.txt",
                                       "1\t10:00:00\t20.0\t\r\n2\t10:00:02,x\r\n"
                                       "1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\r\n");
        const int kept = dewscope::DataFileReader::MaxItemLength;
        const QString longRow = writeFile("long.txt", QByteArray(kept + 10, 'x') + "\r\n2");
        const QString emptyCells(8, QLatin1Char('\t'));
        // clang-format off
        // One reading for the whole run: a humidity of 0 keeps the dew and wet values it had.
        QTest::newRow("decode carries values over") << "decode 0200fa01f403 0200FA000003 FFFFFFFFFFFF 0100FA01F403"
            << "25.0\t13.9\t18.0\t50.0\t77.0\t57.0\t64.4\n25.0\t13.9\t18.0\t0.0\t77.0\t57.0\t64.4\ndownload\ndropped\n" << "";
        QTest::newRow("decode before any dew point") << "decode 020064000003" << "10.0\t\t\t0.0\t50.0\t\t\n" << "";
        QTest::newRow("psychro: all digits") << "psychro 25 50"
            << "13.86761705026032\t17.980000000000011\t56.961710690468578\t64.364000000000019\n" << "";
        QTest::newRow("read: nine cells a row") << "read " + rows
            << "1\t10:00:00\t20.0\t\t\t\t\t\t\n2\t10:00:02\t\t\t\t\t\t\t\nx\t\t\t\t\t\t\t\t\n1\t2\t3\t4\t5\t6\t7\t8\t9\n" << "";
        QTest::newRow("read: a long row cut") << "read " + longRow
            << QString(kept, QLatin1Char('x')) + emptyCells + "\n2" + emptyCells + "\n"
            << QStringLiteral("dewscope-cli read: row 1 is cut after %1 characters\n").arg(kept);
        // clang-format on
    }

    void outputs()
    {
        QFETCH(QString, line);
        CommandRun run(line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        QCOMPARE(run.code, 0);
        QTEST(run.out(), "out");
        QTEST(run.err(), "err");
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message"); // a part of it; empty: any message

        // Regular files only: a FIFO would wait for a writer, /dev/zero never ends.
        const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        // clang-format off
        QTest::newRow("no command") << "" << 2 << "";
        QTest::newRow("unknown command") << "frobnicate" << 2 << "";
        QTest::newRow("decode short frame") << "decode 0200FA01F4" << 2 << "";
        QTest::newRow("decode non-ASCII") << QString::fromUtf8("decode 0200FA01F4\xC3\xA9\xC3\xA9") << 2 << "not 12 hex digits";
        QTest::newRow("psychro dry air fails") << "psychro 25 0" << 1 << "";
        QTest::newRow("read without file") << "read" << 2 << "";
        QTest::newRow("read a missing file") << "read /nonexistent/file.txt" << 1 << "does not exist";
        QTest::newRow("read a FIFO") << "read " + fifo << 1 << "not a regular file";
        QTest::newRow("read /dev/zero") << "read /dev/zero" << 1 << "not a regular file";
        QTest::newRow("monitor without a port") << "monitor" << 2 << "--port";
        QTest::newRow("simulate a download too large") << "simulate --download-sets 2 --download-records 40000" << 2 << "65535";
        QTest::newRow("simulate silence without its length") << "simulate --silence-after 2" << 2 << "--silence-for";
        QTest::newRow("simulate an unreadable image") << "simulate --download-file /no/such/image" << 1 << "cannot read";
        QTest::newRow("ports with a stray argument") << "ports extra" << 2 << "extra";
        // record: whole seconds only; regular files someone may write; publish: settings MQTT can
        // carry, a password file that ends within 5 s and 4 KiB, checked before the port.
        const QString protectedFile = writeFile("protected", "1\r\n"), big(70000, 'x');
        QVERIFY(QFile::setPermissions(protectedFile, QFile::ReadOwner));
        for (const QString interval : { "-5", "0", "0.4", "1e9", "inf", "86401", "+5", "" })
            QTest::newRow(qPrintable("record --interval=" + interval)) << "record --port x f --interval=" + interval << 2 << "--interval takes a whole number from 1 to 86400";
        QTest::newRow("record onto a FIFO") << "record --port x --interval 1 " + fifo << 1 << "not a regular file";
        QTest::newRow("record over a protected file") << "record --port x --interval 1 --force " + protectedFile << 1 << "write-protected";
        const QString publish = "publish --port x --broker localhost ";
        for (const QString &option : QStringList { "--discovery=a/+/b", "--discovery=#", "--discovery=", "--topic=a//b", "--topic=/a", "--client-id=", "--client-id=" + big, "--topic=" + big, "--discovery=" + big, "--username=" + big })
            QTest::newRow(qPrintable(option.left(20))) << publish + option << 2 << option.section('=', 0, 0) + " refused: ";
        for (const QString broker : { "127.0.0.1:18945:1", "::1", "h:0", "h:65536", "h:+80", "[::1]x", "h:" })
            QTest::newRow(qPrintable(broker)) << "publish --port x --broker " + broker << 2 << "--broker takes";
        QTest::newRow("password /dev/zero") << publish + "--password-file=/dev/zero" << 1 << "/dev/zero: it holds more than 4096 bytes";
        QTest::newRow("password FIFO without writer") << publish + "--password-file=" + fifo << 1 << "it did not end within 5 s";
        // clang-format on
    }

    void refusals()
    {
        QFETCH(QString, line);
        QFETCH(QString, message);
        CommandRun run(line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        QTEST(run.code, "code");
        QCOMPARE(run.out(), QString());
        QVERIFY2(!run.err().isEmpty() && run.err().contains(message), qPrintable(run.err()));
    }

    // Every option takes "--name=value" as well as "--name value", a value may be negative, and
    // a negative number stays a positional argument: each line does what its twin does.
    void optionForms_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("twin");
        // Two sets of three records (25.0 °C, 50.0 %RH) after the header, a marker after each.
        const QByteArray set = QByteArray::fromHex("00FA01F4").repeated(3) + QByteArray(4, '\xFF');
        const QString image
            = writeFile("image.bin", QByteArray::fromHex("0010300010453C3C000800") + set + set);
        // clang-format off
        QTest::newRow("value after =") << "memory " + image + " --set=2" << "memory " + image + " --set 2";
        QTest::newRow("option before the file") << "memory --set=2 " + image << "memory " + image + " --set 2";
        QTest::newRow("negative value after =") << "monitor --port=/dev/null --duration=-1" << "monitor --port /dev/null --duration -1";
        QTest::newRow("negative positional numbers") << "psychro -10 50" << "psychro -10.0 50.0";
        QTest::newRow("a switch given a value") << "record --force=yes --port=x --interval=2 f" << "record --force=no --port x --interval 2 f";
        // clang-format on
    }

    void optionForms()
    {
        QFETCH(QString, line);
        QFETCH(QString, twin);
        CommandRun run(line.split(QLatin1Char(' ')));
        CommandRun other(twin.split(QLatin1Char(' ')));
        QCOMPARE(run.code, other.code);
        QCOMPARE(run.out(), other.out());
        QCOMPARE(run.err(), other.err());
        QVERIFY(!run.out().isEmpty() || run.code == 2);
    }

    // Every command answers COMMAND --help on stdout with its usage, and lists its options.
    void helpOfEveryCommand()
    {
        for (const dewscope::cli::Command &command : dewscope::cli::commands()) {
            CommandRun run({ QString::fromLatin1(command.name), QStringLiteral("--help") });
            QCOMPARE(run.code, 0);
            QVERIFY2(run.out().startsWith("Usage: dewscope-cli " + QString::fromUtf8(command.usage)
                                          + '\n'),
                     command.name);
            QVERIFY(run.out().contains("--help ") && run.err().isEmpty());
        }
    }

private:
    QString writeFile(const char *name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QLatin1String(name));
        return dewscope::test::writeBytes(path, bytes) ? path : QString();
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
