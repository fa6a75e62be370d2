#include "app/PortChoice.h"
#include "memory/MemoryImage.h"
#include "memory/MemoryTransfer.h"
#include "meter/LiveFrame.h"
#include "meter/PortOrder.h"
#include "meter/SerialSettings.h"
#include "tests/common/CommandRun.h"
#include "tests/common/MeterRig.h"
#include "tests/common/TestData.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace dewscope;
using test::CommandRun;
using Rig = test::MeterRig;

// The meter line end to end: the serial settings and port numbering, and the poll reading the
// simulated meter over a real pseudo-terminal.
class TestLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settingsParsing_data()
    {
        using SP = QSerialPort;
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("parsed"); // baud, parity, data, stop; empty: refused
        // clang-format off
        QTest::newRow("meter line") << "9600,n,8,1" << QList<int> { 9600, SP::NoParity, 8, SP::OneStop };
        QTest::newRow("even, 7, 2, capitals") << "19200,E,7,2" << QList<int> { 19200, SP::EvenParity, 7, SP::TwoStop };
        QTest::newRow("odd, 5, 1.5") << "4800,o,5,1.5" << QList<int> { 4800, SP::OddParity, 5, SP::OneAndHalfStop };
        QTest::newRow("space, blanks around parts") << " 9600 , s , 8 , 1 " << QList<int> { 9600, SP::SpaceParity, 8, SP::OneStop };
        // clang-format on
        for (const char *bad : { "", "9600,n,8,1,1", "+9600,n,8,1", "0,n,8,1", "9600,x,8,1",
                                 "9600,n,4,1", "9600,n,9,1", "9600,n,8,3", "9600,,8,1" })
            QTest::addRow("refused '%s'", bad) << QString::fromLatin1(bad) << QList<int>();
    }

    void settingsParsing()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, parsed);
        const std::optional<SerialSettings> s = SerialSettings::parse(text);
        QList<int> got;
        if (s)
            got = { s->baudRate, s->parity, s->dataBits, s->stopBits };
        QCOMPARE(got, parsed);
        MeterLink link(nullptr); // refuses a bad text and keeps what it had: never opens with it
        QCOMPARE(link.setSettings(text), !parsed.isEmpty());
        QCOMPARE(link.settings(), parsed.isEmpty() ? QStringLiteral("9600,n,8,1") : text);
    }

    void portNumbering_data()
    {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QString>("system"); // as the system lists them; in /dev unless a path
        QTest::addColumn<QString>("comOne"); // the location the user made COM 1
        QTest::addColumn<QString>("numbered"); // from COM 1 on; on Windows COMn is COMn
        QStringList ttyS;
        for (int i = 0; i < 20; ++i)
            ttyS.append(QStringLiteral("ttyS%1").arg(i));
        const QString all = ttyS.join(QLatin1Char(' '));
        const QString first15 = ttyS.mid(0, 15).join(QLatin1Char(' '));
        // clang-format off
        QTest::newRow("adapters first, numbers as numbers") << false << "ttyS10 ttyACM0 ttyS2 ttyUSB1 ttyUSB0" << "" << "ttyACM0 ttyUSB0 ttyUSB1 ttyS2 ttyS10";
        QTest::newRow("same port listed twice") << false << "ttyUSB0 ttyUSB0" << "" << "ttyUSB0";
        QTest::newRow("a USB adapter beyond 16 ports still gets COM 1") << false << all + " ttyUSB3" << "" << "ttyUSB3 " + first15;
        QTest::newRow("listed port made COM 1 moves, not repeated") << false << "ttyUSB0 ttyS0" << "/dev/ttyS0" << "ttyS0 ttyUSB0";
        QTest::newRow("COM 1 pushes the 16th off") << false << first15 + " ttyS15" << "/dev/pts/1" << "/dev/pts/1 " + first15;
        QTest::newRow("Windows") << true << "COM3 LPT1 COM1 COM17 COM16" << "" << "COM1 COM3 COM16";
        // clang-format on
    }

    void portNumbering()
    {
        QFETCH(bool, windows);
        QFETCH(QString, comOne);
        const auto locations = [windows](const QString &text) {
            QStringList list = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (QString &location : list)
                if (!windows && !location.startsWith(QLatin1Char('/')))
                    location.prepend(QLatin1String("/dev/"));
            return list;
        };
        QFETCH(QString, system);
        QFETCH(QString, numbered);
        QList<PortOrder::SystemPort> listed;
        for (const QString &location : locations(system))
            listed.append({ location, QStringLiteral("port ") + location });
        QStringList numberedPorts;
        for (const PortMap::Port &port : windows
                 ? PortOrder::numberWindowsPorts(listed)
                 : PortOrder::applyOverride(PortOrder::numberUnixPorts(listed), comOne)) {
            numberedPorts.append(port.location);
            QCOMPARE(port.number,
                     windows ? port.location.mid(3).toInt() : int(numberedPorts.size()));
            if (port.location != comOne) // each system port keeps its own description
                QCOMPARE(port.description, QStringLiteral("port ") + port.location);
        }
        QCOMPARE(numberedPorts, locations(numbered));
    }

    // COM names and numbers; a COM name given as the meter's location is resolved through the
    // numbering of the moment, and a number no port has stays as typed, so opening it fails like
    // any missing port.
    void comNumbers()
    {
        const QList<std::pair<QString, int>> names {
            { "com 12", 12 }, { " 7 ", 7 }, { "COM0", 0 }, { "COM17", 0 }, { "/dev/ttyS3", 0 }
        };
        for (const auto &[text, number] : names)
            QCOMPARE(PortOrder::comNumber(text), number);
        PortMap map;
        const QString second = map.location(2);
        map.setOverride(QStringLiteral("COM2"));
        QCOMPARE(map.location(1), second.isEmpty() ? QStringLiteral("COM2") : second);
        QCOMPARE(map.location(17), QString());
    }

    void bytesReachDisplay_data()
    {
        QTest::addColumn<bool>("over"); // temperature over range: bit 7 crosses the line
        QTest::addColumn<QByteArray>("bytes"); // sent once, right after a tick's flush
        QTest::addColumn<QString>("shown"); // temperature in °C and °F, humidity, of each frame
        QTest::addColumn<int>("maxMs"); // the bytes' frame is shown within this time
        const QByteArray frame = SimulatedMeter::encodeFrame(20.0, 40.0);
        const QString meter = QStringLiteral("-12.5 9.5 35.2");
        // clang-format off
        QTest::newRow("below zero") << false << QByteArray() << meter << 0;
        QTest::newRow("temperature over range") << true << QByteArray() << "OL OL 35.2" << 0;
        // Bytes that make no frame land in front of the next frame and never reach the display:
        // a torn frame makes more than six bytes wait; six bytes with a wrong end are refused.
        QTest::newRow("torn frame") << false << QByteArray::fromHex("020100") << meter << 0;
        QTest::newRow("six bytes, wrong end") << false << QByteArray::fromHex("020100020004") << meter << 0;
        // A frame alone ends the wait at once; twelve bytes end it at the limit, the first six used.
        QTest::newRow("exactly six") << false << frame << "20.0 68.0 40.0" << 450;
        QTest::newRow("twelve") << false << frame + SimulatedMeter::encodeFrame(30.0, 60.0) << "20.0 68.0 40.0" << 1100;
        // clang-format on
    }

    void bytesReachDisplay()
    {
        QFETCH(bool, over);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QFETCH(int, maxMs);
        Rig rig;
        rig.meter.setTemperatureOverRange(over);
        QVERIFY(rig.start(-12.5, 35.2, maxMs > 0 ? 0 : 300)); // silent for a lone frame
        QStringList shownEach; // what each decoded frame put on the display
        QElapsedTimer clock; // from the tick the bytes were sent in
        qint64 firstShown = -1;
        connect(&rig.poll, &Poll::readingDecoded, this, [&] {
            const ReadingTexts &t = rig.state.texts;
            shownEach.append(t.tempC + QLatin1Char(' ') + t.tempF + QLatin1Char(' ') + t.rh);
            if (firstShown < 0 && clock.isValid())
                firstShown = clock.elapsed();
        });
        connect(&rig.poll, &Poll::tickStarted, this, [&] {
            if (!clock.isValid() && (maxMs > 0 || !shownEach.isEmpty())) {
                clock.start();
                shownEach.clear();
                rig.meter.sendRaw(bytes);
            }
        });
        rig.poll.setEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(shownEach.size() >= (maxMs > 0 ? 1 : 3), 8000);
        // The bytes crossed the pseudo-terminal unchanged, and no garbage reached the display.
        QCOMPARE(shownEach, QStringList(shownEach.size(), shown));
        if (maxMs > 0)
            QVERIFY2(firstShown >= maxMs - 520 && firstShown <= maxMs,
                     qPrintable(QString::number(firstShown)));
    }

    void silenceCountsWaits_data()
    {
        QTest::addColumn<QByteArray>("torn"); // sent in the first wait after the meter stopped
        QTest::addColumn<bool>("badFrames"); // a bad frame every 150 ms instead of silence
        QTest::addColumn<bool>("disable"); // the poll is disabled in its second wait
        // clang-format off
        QTest::newRow("meter stops between ticks") << QByteArray() << false << false;
        QTest::newRow("stops mid-frame, poll disabled meanwhile") << QByteArray::fromHex("0200FA") << false << true;
        QTest::newRow("bad frames keep resetting the counter") << QByteArray() << true << false;
        // clang-format on
    }

    // From the last decoded frame to "No COM" there are exactly five waits of 0.6 s: four that
    // retry and the fifth that gives up. A disabled poll still runs its tick to the end.
    void silenceCountsWaits()
    {
        QFETCH(QByteArray, torn);
        QFETCH(bool, badFrames);
        QFETCH(bool, disable);
        Rig rig;
        QSignalSpy blink(&rig.poll, &Poll::blinkToggled);
        QSignalSpy started(&rig.poll, &Poll::tickStarted);
        QSignalSpy finished(&rig.poll, &Poll::tickFinished);
        QVERIFY(rig.start(25.0, 50.0, 200));
        rig.state.meterOnline = false; // offline, the beats do nothing, not even a flush
        rig.poll.setEnabled(true);
        QTest::qWait(800);
        QVERIFY(started.isEmpty() && rig.link.inBufferCount() >= 3 * LiveFrame::Length);
        rig.state.meterOnline = true;
        QVERIFY(rig.runUntilDecoded(2));

        QElapsedTimer clock;
        QList<qint64> waits; // when each wait after the last frame began
        QTimer bad;
        connect(&bad, &QTimer::timeout, this,
                [&] { rig.meter.sendRaw(QByteArray::fromHex("0300FA01F403")); });
        connect(&rig.poll, &Poll::readingDecoded, this, [&] {
            if (!clock.isValid()) { // the frame ended its tick: the meter stops here
                clock.start();
                rig.meter.setSilent(true);
                if (badFrames)
                    bad.start(150);
            }
        });
        connect(&rig.poll, &Poll::waitStarted, this, [&] {
            if (!clock.isValid() || !rig.silent.isEmpty())
                return;
            waits.append(clock.elapsed());
            if (waits.size() == 1)
                rig.meter.sendRaw(torn);
            if (waits.size() == 2 && disable)
                rig.poll.setEnabled(false);
        });
        if (badFrames) {
            QTest::qWait(4500);
            QVERIFY(rig.silent.isEmpty() && waits.size() > 6);
            return;
        }
        QVERIFY(rig.silent.wait(6000));
        QCOMPARE(waits.size(), 5); // four that retry, the fifth that gives up
        waits.append(clock.elapsed());
        for (int i = 1; i < waits.size(); ++i)
            QVERIFY(waits.at(i) - waits.at(i - 1) >= Poll::WaitMs - 2);

        QTest::qWait(1300);
        QCOMPARE(rig.silent.count(), 1); // reported once, then only blinking
        QVERIFY(blink.count() >= 5);
        for (int i = 0; i < blink.count(); ++i)
            QCOMPARE(blink.at(i).first().toBool(), i % 2 == 1); // hidden first, then every 0.2 s
        QCOMPARE(rig.state.texts.tempC, QStringLiteral("25.0")); // the labels keep the last values

        const qsizetype ticks = started.count();
        rig.meter.setValues(26.0, 51.0);
        rig.meter.setSilent(false);
        QVERIFY(rig.back.wait(2000));
        QCOMPARE(rig.back.first().first().toInt(), 1);
        if (disable) { // the silent tick ended only now, and no tick follows it
            QCOMPARE(finished.count(), ticks);
            QTest::qWait(700);
            QCOMPARE(started.count(), ticks);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(rig.state.texts.tempC, QStringLiteral("26.0"), 3000);
        }
    }

    void announcementNeverDropped_data()
    {
        QTest::addColumn<QString>("when"); // the poll's read the announcement falls into
        QTest::addColumn<QByteArray>("before"); // sent just before the six FF
        test::row("a flush", QString("flush"), QByteArray());
        test::row("a flush, after a torn frame", QString("flush"), QByteArray::fromHex("0200FA"));
        test::row("split between a flush and a wait", QString("split"), QByteArray::fromHex("03"));
        test::row("the meter coming back", QString("silence"), QByteArray::fromHex("0200"));
    }
    // A download announced in bytes the poll throws away (a flush, the end of a silence)
    // reaches the transfer, which starts after the six FF and ends at the image's length,
    // whatever follows it (here a live frame and two FF).
    void announcementNeverDropped()
    {
        QFETCH(QString, when);
        const QByteArray memory = SimulatedMeter::makeMemoryImage(2, 3, QTime(10, 30), 60);
        const QByteArray ff = FETCHED(QByteArray, before) + QByteArray(6, '\xFF');
        const QByteArray rest = memory + QByteArray::fromHex("0200FA01F403FFFF");
        const int split = when == "split" ? 3 : 0; // FF bytes sent only once the wait began
        Rig rig;
        MemoryImage image;
        MemoryTransfer transfer(&rig.link, &image);
        QSignalSpy finished(&transfer, &MemoryTransfer::finished);
        connect(&rig.poll, &Poll::downloadAnnounced, &transfer,
                [&](const QByteArray &start) { transfer.start(start); });
        int waits = 0; // after the first frame shown, which ends its tick: the next one flushes
        connect(&rig.poll, &Poll::readingDecoded, this, [&] {
            if (rig.decoded.count() == 1)
                rig.meter.sendRaw(ff.left(ff.size() - split) + (split ? QByteArray() : rest));
        });
        connect(&rig.poll, &Poll::waitStarted, this, [&] {
            if (rig.decoded.count() == 1 && ++waits == 1 && split)
                rig.meter.sendRaw(ff.right(split) + rest);
        });
        QVERIFY(rig.start(25.0, 50.0, when == "silence" ? 0 : 500));
        rig.poll.setEnabled(true);
        if (when == "silence" && rig.silent.wait(6000))
            rig.meter.sendRaw(ff + rest);
        QVERIFY(finished.wait(8000) && transfer.end() == MemoryTransfer::End::Complete);
        QCOMPARE(image.bytes().toHex(), memory.toHex());
    }

    void openErrors_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("location"); // "pty": the simulated meter's
        QTest::addColumn<QString>("holder"); // of the pseudo-terminal: link, serial or lock
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message"); // a part of the error text
        const int unavailable = MeterLink::PortUnavailable;
        const int inUse = MeterLink::PortAlreadyOpen;
        const int badNumber = MeterLink::InvalidPortNumber;
        // clang-format off
        QTest::newRow("missing device") << 1 << "/dev/dewscope-no-such-port" << "" << unavailable << "";
        QTest::newRow("not a serial device") << 1 << "/dev/null" << "" << unavailable << "";
        QTest::newRow("number 0") << 0 << "pty" << "" << badNumber << "";
        QTest::newRow("number 17") << 17 << "pty" << "" << badNumber << "";
        QTest::newRow("held by a second link") << 1 << "pty" << "link" << inUse << "in use by another";
        QTest::newRow("held by a serial port") << 1 << "pty" << "serial" << inUse << "in use by another";
        // The device is ours to read, but its lock cannot be taken: not permitted, not in use.
        QTest::newRow("a lock we cannot take") << 1 << "pty" << "lock" << unavailable << "not permitted";
        // clang-format on
    }

    // A port held elsewhere is "already open": the scan lists it, the command line names the cause.
    // Reading a port that never opened gives nothing and does not fail.
    void openErrors()
    {
        QFETCH(int, number);
        QFETCH(QString, location);
        QFETCH(QString, holder);
        QFETCH(int, error);
        QFETCH(QString, message);
        Rig rig;
        QVERIFY(rig.start(25.0, 50.0, 200));
        if (location == QLatin1String("pty"))
            location = rig.meter.path();
        if (holder != QLatin1String("link"))
            rig.link.close();
        QSerialPort serial(location);
        if (holder == QLatin1String("serial"))
            QVERIFY(serial.open(QIODevice::ReadOnly));
        const QString lock = MeterLink::lockFilePath(location);
        const bool locking = holder == QLatin1String("lock");
        const auto removeLock = qScopeGuard([&] { locking &&QDir().rmdir(lock); });
        if (locking)
            QVERIFY(!lock.isEmpty() && QDir().mkdir(lock));

        PortMap ports;
        ports.setOverride(location);
        MeterLink link(&ports);
        link.setCommPort(number);
        QCOMPARE(link.open(), error);
        QVERIFY2(!link.errorString().isEmpty() && link.errorString().contains(message),
                 qPrintable(link.errorString()));
        QVERIFY(!link.isOpen());
        QCOMPARE(link.inBufferCount(), 0);
        QVERIFY(link.input().isEmpty());
        link.clearInBuffer();
        if (number != 1)
            return;
        if (holder == QLatin1String("link")) {
            // Our own link finds the port open, with no note of a refused setting (9600 8N1 took
            // on the pseudo-terminal too); closed and opened again, frames still come.
            QCOMPARE(rig.link.open(), int(MeterLink::PortAlreadyOpen));
            QVERIFY2(rig.link.errorString().isEmpty(), qPrintable(rig.link.errorString()));
            rig.link.close();
            QCOMPARE(rig.link.open(), int(MeterLink::NoError));
            QTRY_VERIFY_WITH_TIMEOUT(rig.link.inBufferCount() >= 6, 2000);
            QVERIFY(rig.link.input().contains(SimulatedMeter::encodeFrame(25.0, 50.0)));
        }
        QCOMPARE(scanPorts(link).contains(comPortText(1)), error == MeterLink::PortAlreadyOpen);
        CommandRun monitor({ "monitor", "--port", location, "--duration", "1" });
        QCOMPARE(monitor.code, 1);
        QVERIFY(monitor.err().contains("cannot open " + location)
                && monitor.err().contains(message));
    }

    // A brief unplug, and one long enough for the meter to fall silent: the link reopens the
    // same location, and "No COM" shows only after the long one. Every step waits for its event.
    void replug_data()
    {
        QTest::addColumn<bool>("silentMeanwhile");
        QTest::newRow("brief") << false;
        QTest::newRow("silent meanwhile") << true;
    }
    void replug()
    {
        QFETCH(bool, silentMeanwhile);
        QTemporaryDir dir;
        Rig rig;
        QSignalSpy lost(&rig.link, &MeterLink::portLost);
        QSignalSpy restored(&rig.link, &MeterLink::portRestored);
        QVERIFY(rig.start(25.0, 50.0, 200, dir.filePath(QStringLiteral("meter"))));
        QVERIFY(rig.runUntilDecoded(2));
        rig.meter.unplug();
        QVERIFY(lost.wait(15000));
        QVERIFY(rig.link.isLost() && !rig.link.isOpen());
        if (silentMeanwhile)
            QVERIFY(rig.silent.wait(15000));
        else
            QTest::qWait(800);
        QCOMPARE(restored.count(), 0);
        rig.meter.setValues(silentMeanwhile ? 45.0 : 8.0, 45.0);
        QVERIFY(rig.meter.replug());
        QVERIFY(restored.wait(15000));
        QCOMPARE(lost.count(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.state.texts.tempC, silentMeanwhile ? "45.0" : "8.0", 15000);
        QCOMPARE(rig.silent.count(), int(silentMeanwhile));
        QTRY_COMPARE_WITH_TIMEOUT(rig.back.count(), rig.silent.count(), 15000);
    }

    // The simulator runs in this process until SIGINT, falling silent from 3 s to 9 s; as soon
    // as it has printed its path, ports lists it as COM 1 and monitor follows it for 11 s. The
    // margins hold on a busy machine: the monitor starts well before the silence, the silence
    // outlasts the 3 s that make "No COM", and readings follow the return.
    void cliSimulatePortsMonitor()
    {
        CommandRun simulate;
        QString path;
        QString portsLine;
        QString monitored;
        QTimer start;
        connect(&start, &QTimer::timeout, this, [&] {
            path = simulate.out().section(QLatin1Char('\n'), 0, 0);
            if (path.isEmpty())
                return;
            start.stop();
            portsLine
                = CommandRun({ "ports", "--port", path }).out().section(QLatin1Char('\n'), 0, 0);
            CommandRun monitor({ "monitor", "--port", path, "--duration", "11" });
            monitored = monitor.code == 0 ? monitor.out() : monitor.err();
            std::raise(SIGINT);
        });
        start.start(20);
        QCOMPARE(
            simulate.exec({ "simulate", "--fixed", "--temperature", "-OL", "--humidity", "33.3",
                            "--interval", "200", "--silence-after", "3", "--silence-for", "6" }),
            0);
        QCOMPARE(portsLine, QStringLiteral("COM1\t%1\t").arg(path));

        // Readings, one "No COM" when the meter falls silent, "COM1" when it is back, readings
        // again. A reading line is the data-file line without its number: time, then the seven
        // texts; the simulator's -OL is over range with the negative bit, its 33.3 % is 333 tenths.
        const QStringList lines = monitored.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const int noCom = int(lines.indexOf(QStringLiteral("No COM")));
        const int com1 = int(lines.indexOf(QStringLiteral("COM1")));
        QVERIFY2(noCom >= 2 && com1 > noCom && com1 + 2 < lines.size(), qPrintable(monitored));
        QCOMPARE(lines.count(QStringLiteral("No COM")), 1);
        static const QRegularExpression reading(
            QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\t-OL\\t-OL\\t-OL\\t33\\.3\\t-OL\\t-OL\\t-OL$"));
        for (int i = 0; i < lines.size(); ++i) {
            if (i != noCom && i != com1)
                QVERIFY2(reading.match(lines.at(i)).hasMatch(), qPrintable(lines.at(i)));
        }
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
