#include "app/PortChoice.h"
#include "meter/LiveFrame.h"
#include "meter/PortOrder.h"
#include "meter/SerialSettings.h"
#include "tests/common/CommandRun.h"
#include "tests/common/MeterRig.h"

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
    void settingsParsing_data();
    void settingsParsing();
    void portNumbering_data();
    void portNumbering();
    void comNumbers_data();
    void comNumbers();
    void portMapOverride();
    void memoryImageLayout_data();
    void memoryImageLayout();

    void framesReachDisplay_data();
    void framesReachDisplay();
    void bytesFromSilentMeter_data();
    void bytesFromSilentMeter();
    void silenceCountsWaits_data();
    void silenceCountsWaits();
    void downloadAnnouncement();
    void offlinePollRestsQuiet();
    void openErrors_data();
    void openErrors();
    void portHeldElsewhere_data();
    void portHeldElsewhere();
    void secondOpenAndReopen();
    void replug_data();
    void replug();

    void cliSimulatePortsMonitor();
};

void TestLink::settingsParsing_data()
{
    using SP = QSerialPort;
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("parsed"); // baud, parity, data bits, stop bits; empty: refused

    QTest::newRow("meter line") << "9600,n,8,1"
                                << QList<int> { 9600, SP::NoParity, 8, SP::OneStop };
    QTest::newRow("even, 7, 2, capitals")
        << "19200,E,7,2" << QList<int> { 19200, SP::EvenParity, 7, SP::TwoStop };
    QTest::newRow("odd, 5, 1.5") << "4800,o,5,1.5"
                                 << QList<int> { 4800, SP::OddParity, 5, SP::OneAndHalfStop };
    QTest::newRow("space, blanks around parts")
        << " 9600 , s , 8 , 1 " << QList<int> { 9600, SP::SpaceParity, 8, SP::OneStop };
    for (const char *bad : { "", "9600,n,8,1,1", "+9600,n,8,1", "0,n,8,1", "9600,x,8,1",
                             "9600,n,4,1", "9600,n,9,1", "9600,n,8,3", "9600,,8,1" })
        QTest::addRow("refused '%s'", bad) << QString::fromLatin1(bad) << QList<int>();
}

void TestLink::settingsParsing()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, parsed);
    const std::optional<SerialSettings> s = SerialSettings::parse(text);
    QList<int> got;
    if (s)
        got = { s->baudRate, s->parity, s->dataBits, s->stopBits };
    QCOMPARE(got, parsed);

    // The link refuses a bad text and keeps what it had, so it never opens with bad settings.
    PortMap ports;
    MeterLink link(&ports);
    QVERIFY(link.setSettings(QStringLiteral("4800,e,7,2")));
    QCOMPARE(link.setSettings(text), !parsed.isEmpty());
    QCOMPARE(link.settings(), parsed.isEmpty() ? QStringLiteral("4800,e,7,2") : text);
}

void TestLink::portNumbering_data()
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
    QTest::newRow("one USB meter is COM 1") << false << "ttyS0 ttyUSB0 ttyS1" << "" << "ttyUSB0 ttyS0 ttyS1";
    QTest::newRow("adapters together, numbers as numbers")
        << false << "ttyS10 ttyACM0 ttyS2 ttyUSB1 ttyUSB0" << "" << "ttyACM0 ttyUSB0 ttyUSB1 ttyS2 ttyS10";
    QTest::newRow("same port listed twice") << false << "ttyUSB0 ttyUSB0" << "" << "ttyUSB0";
    QTest::newRow("at most 16, lowest first") << false << all << "" << first15 + " ttyS15";
    QTest::newRow("a USB adapter beyond 16 ports still gets COM 1")
        << false << all + " ttyUSB3" << "" << "ttyUSB3 " + first15;
    QTest::newRow("pseudo-terminal made COM 1")
        << false << "ttyUSB0 ttyS0" << "/dev/pts/5" << "/dev/pts/5 ttyUSB0 ttyS0";
    QTest::newRow("listed port made COM 1 moves, not repeated")
        << false << "ttyUSB0 ttyS0" << "/dev/ttyS0" << "ttyS0 ttyUSB0";
    QTest::newRow("COM 1 pushes the 16th off")
        << false << first15 + " ttyS15" << "/dev/pts/1" << "/dev/pts/1 " + first15;
    QTest::newRow("Windows") << true << "COM3 LPT1 COM1 COM17 COM16" << "" << "COM1 COM3 COM16";
    // clang-format on
}

void TestLink::portNumbering()
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
        QCOMPARE(port.number, windows ? port.location.mid(3).toInt() : int(numberedPorts.size()));
        if (port.location != comOne) // each system port keeps its own description
            QCOMPARE(port.description, QStringLiteral("port ") + port.location);
    }
    QCOMPARE(numberedPorts, locations(numbered));
}

void TestLink::comNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number"); // 0: not a port number

    QTest::newRow("com 12") << "com 12" << 12;
    QTest::newRow("bare number") << " 7 " << 7;
    QTest::newRow("COM16") << "COM16" << 16;
    QTest::newRow("COM0") << "COM0" << 0;
    QTest::newRow("COM17") << "COM17" << 0;
    QTest::newRow("a path") << "/dev/ttyS3" << 0;
}

void TestLink::comNumbers()
{
    QFETCH(QString, text);
    QTEST(PortOrder::comNumber(text), "number");
}

// A COM name given as the meter's location is resolved through the numbering of the moment; a
// number no port has stays as typed, so opening it fails like any missing port.
void TestLink::portMapOverride()
{
    PortMap map;
    const QString second = map.location(2);
    map.setOverride(QStringLiteral("COM2"));
    QCOMPARE(map.location(1), second.isEmpty() ? QStringLiteral("COM2") : second);
    QCOMPARE(map.location(17), QString());
}

void TestLink::memoryImageLayout_data()
{
    QTest::addColumn<int>("sets");
    QTest::addColumn<int>("records");
    QTest::addColumn<QTime>("start");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QByteArray>("header"); // start and end in BCD, interval, slot count

    QTest::newRow("two sets of three")
        << 2 << 3 << QTime(10, 30, 0) << 60 << QByteArray::fromHex("00 103000 103500 3c 0008 00");
    QTest::newRow("end time wraps midnight")
        << 1 << 3 << QTime(23, 59, 0) << 30 << QByteArray::fromHex("00 235900 000000 1e 0004 00");
    QTest::newRow("300 slots") << 3 << 99 << QTime(9, 5, 7) << 2
                               << QByteArray::fromHex("00 090507 091459 02 012c 00");
}

void TestLink::memoryImageLayout()
{
    QFETCH(int, sets);
    QFETCH(int, records);
    QFETCH(QTime, start);
    QFETCH(int, interval);
    QFETCH(QByteArray, header);

    const QByteArray image = SimulatedMeter::makeMemoryImage(sets, records, start, interval);
    const int slotCount = sets * (records + 1);
    QCOMPARE(image.size(), 11 + 4 * slotCount);
    QCOMPARE(image.left(11).toHex(), header.toHex());
    for (int slot = 0; slot < slotCount; ++slot) {
        const QByteArray bytes = image.mid(11 + 4 * slot, 4);
        // Every set closes with FF FF FF FF, and only there.
        QCOMPARE(bytes == QByteArray(4, '\xFF'), (slot + 1) % (records + 1) == 0);
    }
    // Too many slots for the 16-bit count: no image rather than a wrong one.
    QVERIFY(SimulatedMeter::makeMemoryImage(2, 40000, start, interval).isEmpty());
}

void TestLink::framesReachDisplay_data()
{
    QTest::addColumn<double>("temp");
    QTest::addColumn<double>("rh");
    QTest::addColumn<bool>("over"); // temperature over range: bit 7 crosses the line
    QTest::addColumn<QByteArray>("garbage"); // sent once, right after a tick's flush
    QTest::addColumn<QString>("shown"); // temperature in °C and °F, humidity

    QTest::newRow("25.0 / 50.0") << 25.0 << 50.0 << false << QByteArray() << "25.0 77.0 50.0";
    QTest::newRow("below zero") << -12.5 << 35.2 << false << QByteArray() << "-12.5 9.5 35.2";
    QTest::newRow("temperature over range") << 25.0 << 50.0 << true << QByteArray() << "OL OL 50.0";
    // Bytes that make no frame land in front of the next frame and never reach the display.
    // A torn frame makes more than six bytes wait; six bytes with a wrong end are refused as a
    // whole.
    for (const char *hex : { "020100", "020100020004" })
        QTest::addRow("garbage %s", hex)
            << 25.0 << 50.0 << false << QByteArray::fromHex(hex) << "25.0 77.0 50.0";
}

void TestLink::framesReachDisplay()
{
    QFETCH(double, temp);
    QFETCH(double, rh);
    QFETCH(bool, over);
    QFETCH(QByteArray, garbage);
    QFETCH(QString, shown);

    Rig rig;
    rig.meter.setTemperatureOverRange(over);
    QVERIFY(rig.start(temp, rh, 300));
    QStringList shownEach; // what each decoded frame put on the display
    connect(&rig.poll, &Poll::readingDecoded, this, [&] {
        const ReadingTexts &t = rig.state.texts;
        shownEach.append(t.tempC + QLatin1Char(' ') + t.tempF + QLatin1Char(' ') + t.rh);
    });
    int decodedBeforeGarbage = garbage.isEmpty() ? 0 : -1;
    connect(&rig.poll, &Poll::tickStarted, this, [&] {
        if (decodedBeforeGarbage < 0 && !shownEach.isEmpty()) {
            decodedBeforeGarbage = int(shownEach.size());
            rig.meter.sendRaw(garbage);
        }
    });
    rig.poll.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(
        decodedBeforeGarbage >= 0 && shownEach.size() >= decodedBeforeGarbage + 3, 8000);
    // The bytes crossed the pseudo-terminal unchanged, and no garbage reached the display.
    QCOMPARE(shownEach, QStringList(shownEach.size(), shown));
}

void TestLink::bytesFromSilentMeter_data()
{
    QTest::addColumn<QByteArray>("bytes"); // a frame of 20.0 °C first
    QTest::addColumn<int>("minMs"); // the first reading is shown between these times
    QTest::addColumn<int>("maxMs");

    const QByteArray frame = SimulatedMeter::encodeFrame(20.0, 40.0);
    QTest::newRow("exactly six: the wait ends at once") << frame << 0 << 450;
    QTest::newRow("twelve: at the limit, first six used")
        << frame + SimulatedMeter::encodeFrame(30.0, 60.0) << 580 << 1100;
}

// A silent meter sends bytes all at once just after a tick's flush.
void TestLink::bytesFromSilentMeter()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);

    Rig rig;
    QVERIFY(rig.start(25.0, 50.0, 0));
    QElapsedTimer clock;
    qint64 decodedAfter = -1;
    connect(&rig.poll, &Poll::tickStarted, this, [&] {
        if (!clock.isValid()) {
            clock.start();
            QTimer::singleShot(0, &rig.meter, [&] { rig.meter.sendRaw(bytes); });
        }
    });
    connect(&rig.poll, &Poll::readingDecoded, this, [&] {
        if (decodedAfter < 0)
            decodedAfter = clock.elapsed();
    });
    rig.poll.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(decodedAfter >= 0, 3000);
    QCOMPARE(rig.state.texts.tempC, QStringLiteral("20.0")); // the first six bytes
    QVERIFY2(decodedAfter >= minMs && decodedAfter <= maxMs,
             qPrintable(QStringLiteral("decoded after %1 ms").arg(decodedAfter)));
}

void TestLink::silenceCountsWaits_data()
{
    QTest::addColumn<QByteArray>("torn"); // sent in the first wait after the meter stopped
    QTest::addColumn<bool>("badFrames"); // a bad frame every 150 ms instead of silence
    QTest::addColumn<bool>("disable"); // the poll is disabled in its second wait

    QTest::newRow("meter stops between ticks") << QByteArray() << false << false;
    QTest::newRow("stops mid-frame, poll disabled meanwhile")
        << QByteArray::fromHex("0200FA") << false << true;
    QTest::newRow("bad frames keep resetting the counter") << QByteArray() << true << false;
}

// From the last decoded frame to "No COM" there are exactly five waits of 0.6 s: four that
// retry and the fifth that gives up. A disabled poll still runs its tick to the end.
void TestLink::silenceCountsWaits()
{
    QFETCH(QByteArray, torn);
    QFETCH(bool, badFrames);
    QFETCH(bool, disable);
    Rig rig;
    QSignalSpy blink(&rig.poll, &Poll::blinkToggled);
    QSignalSpy started(&rig.poll, &Poll::tickStarted);
    QSignalSpy finished(&rig.poll, &Poll::tickFinished);
    QVERIFY(rig.start(25.0, 50.0, 200));
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
        QCOMPARE(rig.silent.count(), 0);
        QVERIFY2(waits.size() > 6, qPrintable(QString::number(waits.size())));
        return;
    }
    QVERIFY(rig.silent.wait(6000));
    waits.append(clock.elapsed());
    QCOMPARE(waits.size(), 5 + 1);
    for (int i = 1; i < waits.size(); ++i)
        QVERIFY2(waits.at(i) - waits.at(i - 1) >= Poll::WaitMs - 2, qPrintable(QString::number(i)));

    QTest::qWait(1300);
    QCOMPARE(rig.silent.count(), 1); // reported once, then only blinking
    QVERIFY2(blink.count() >= 5, qPrintable(QString::number(blink.count())));
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

void TestLink::downloadAnnouncement()
{
    Rig rig;
    QVERIFY(rig.start(25.0, 50.0, 200));
    QVERIFY(rig.runUntilDecoded(1));

    const QByteArray image = SimulatedMeter::makeMemoryImage(2, 3, QTime(10, 30, 0), 60);
    QByteArray received;
    int decodedAtAnnouncement = -1;
    connect(&rig.poll, &Poll::downloadAnnounced, this, [&] {
        decodedAtAnnouncement = int(rig.decoded.count());
        received = rig.link.input();
    });
    rig.meter.sendDownload(image);
    // From the announcement on the poll leaves the bytes to the transfer.
    QTRY_VERIFY_WITH_TIMEOUT(decodedAtAnnouncement >= 0
                                 && received.size() + rig.link.inBufferCount() >= image.size(),
                             5000);
    received += rig.link.input();
    // Every byte value crossed the line as sent, 0xFF markers included.
    QCOMPARE(received.left(image.size()).toHex(), image.toHex());

    // The poll holds still until the transfer says it is over.
    QTest::qWait(700);
    QCOMPARE(rig.decoded.count(), decodedAtAnnouncement);
    rig.poll.downloadFinished();
    QTRY_VERIFY_WITH_TIMEOUT(rig.decoded.count() > decodedAtAnnouncement, 3000);
}

// Offline: the beats find nothing to do, not even a flush, so the bytes pile up.
void TestLink::offlinePollRestsQuiet()
{
    Rig rig;
    QSignalSpy started(&rig.poll, &Poll::tickStarted);
    QVERIFY(rig.start(25.0, 50.0, 100));
    rig.state.meterOnline = false;
    rig.poll.setEnabled(true);
    QTest::qWait(800);
    QCOMPARE(started.count(), 0);
    QVERIFY2(rig.link.inBufferCount() >= 3 * LiveFrame::Length,
             qPrintable(QString::number(rig.link.inBufferCount())));
    rig.state.meterOnline = true;
    QVERIFY(rig.runUntilDecoded(2));
}

void TestLink::openErrors_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("location");
    QTest::addColumn<int>("error");

    const int unavailable = MeterLink::PortUnavailable;
    QTest::newRow("missing device") << 1 << "/dev/dewscope-no-such-port" << unavailable;
    QTest::newRow("not a serial device") << 1 << "/dev/null" << unavailable;
    QTest::newRow("number 0") << 0 << "/dev/null" << int(MeterLink::InvalidPortNumber);
    QTest::newRow("number 17") << 17 << "/dev/null" << int(MeterLink::InvalidPortNumber);
}

void TestLink::portHeldElsewhere_data()
{
    QTest::addColumn<QString>("holder");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("message");

    const int inUse = MeterLink::PortAlreadyOpen;
    QTest::newRow("a second link") << "link" << inUse << "in use by another program";
    QTest::newRow("a serial port") << "serial" << inUse << "in use by another program";
    // The device is ours to read, but its lock cannot be taken: not permitted, not in use.
    QTest::newRow("a lock we cannot take")
        << "lock" << int(MeterLink::PortUnavailable) << "not permitted";
}

// A port that exists but is held elsewhere is "already open": the scan lists it, and the
// command line names the cause.
void TestLink::portHeldElsewhere()
{
    QFETCH(QString, holder);
    QFETCH(int, error);
    QFETCH(QString, message);
    Rig rig;
    QVERIFY(rig.start(25.0, 50.0, 200));
    const QString path = rig.meter.path();
    if (holder != QLatin1String("link"))
        rig.link.close();
    QSerialPort serial(path);
    if (holder == QLatin1String("serial"))
        QVERIFY(serial.open(QIODevice::ReadOnly));
    const QString lock = MeterLink::lockFilePath(path);
    const auto removeLock = qScopeGuard([&] { QDir().rmdir(lock); });
    if (holder == QLatin1String("lock"))
        QVERIFY(!lock.isEmpty() && QDir().mkdir(lock));

    MeterLink other(&rig.ports);
    other.setCommPort(1);
    QCOMPARE(other.open(), error);
    QVERIFY2(other.errorString().contains(message), qPrintable(other.errorString()));
    QVERIFY(!other.isOpen());
    QCOMPARE(scanPorts(other).contains(comPortText(1)), error == MeterLink::PortAlreadyOpen);
    CommandRun monitor({ "monitor", "--port", path, "--duration", "1" });
    QCOMPARE(monitor.code, 1);
    QVERIFY2(monitor.err().contains(message), qPrintable(monitor.err()));
}

void TestLink::openErrors()
{
    QFETCH(int, number);
    QFETCH(QString, location);

    PortMap ports;
    ports.setOverride(location);
    MeterLink link(&ports);
    link.setCommPort(number);
    QTEST(link.open(), "error");
    QVERIFY(!link.isOpen());
    QVERIFY(!link.errorString().isEmpty());
    // Reading a port that never opened gives nothing and does not fail.
    QCOMPARE(link.inBufferCount(), 0);
    QVERIFY(link.input().isEmpty());
    link.clearInBuffer();
}

void TestLink::secondOpenAndReopen()
{
    Rig rig;
    QVERIFY(rig.start(25.0, 50.0, 100));
    QCOMPARE(rig.link.open(), int(MeterLink::PortAlreadyOpen));
    QVERIFY(rig.link.isOpen());
    // 9600 8N1 took on the pseudo-terminal too: no note of a refused setting.
    QVERIFY2(rig.link.errorString().isEmpty(), qPrintable(rig.link.errorString()));

    // Closed and opened again: the pseudo-terminal is still there and frames still come.
    rig.link.close();
    QCOMPARE(rig.link.open(), int(MeterLink::NoError));
    QTRY_VERIFY_WITH_TIMEOUT(rig.link.inBufferCount() >= 6, 2000);
    QVERIFY(rig.link.input().contains(SimulatedMeter::encodeFrame(25.0, 50.0)));
}

void TestLink::replug_data()
{
    QTest::addColumn<int>("unpluggedMs");
    QTest::addColumn<bool>("silenceShown");

    QTest::newRow("brief unplug") << 800 << false;
    QTest::newRow("unplugged long enough to fall silent") << 4500 << true;
}

void TestLink::replug()
{
    QFETCH(int, unpluggedMs);
    QFETCH(bool, silenceShown);

    QTemporaryDir dir;
    Rig rig;
    QSignalSpy lost(&rig.link, &MeterLink::portLost);
    QSignalSpy restored(&rig.link, &MeterLink::portRestored);
    QVERIFY(rig.start(25.0, 50.0, 200, dir.filePath(QStringLiteral("meter"))));
    QVERIFY(rig.runUntilDecoded(2));

    rig.meter.unplug();
    QVERIFY(lost.wait(3000));
    QVERIFY(rig.link.isLost() && !rig.link.isOpen());
    QTest::qWait(unpluggedMs);
    QCOMPARE(restored.count(), 0);

    rig.meter.setValues(24.0, 45.0);
    QVERIFY(rig.meter.replug());
    QVERIFY(restored.wait(3000));
    QCOMPARE(lost.count(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(rig.state.texts.tempC, QStringLiteral("24.0"), 5000);
    QCOMPARE(rig.silent.count(), silenceShown ? 1 : 0);
    QTRY_COMPARE_WITH_TIMEOUT(rig.back.count(), silenceShown ? 1 : 0, 2000);
}

// The simulator runs in this process until SIGINT, falling silent from 1 s to 5.5 s; meanwhile
// ports lists it as COM 1 and monitor follows it for 7.5 s.
void TestLink::cliSimulatePortsMonitor()
{
    CommandRun simulate;
    QString path;
    QString portsLine;
    QString monitored;
    QTimer::singleShot(300, this, [&] {
        path = simulate.out().section(QLatin1Char('\n'), 0, 0);
        portsLine = CommandRun({ "ports", "--port", path }).out().section(QLatin1Char('\n'), 0, 0);
        CommandRun monitor({ "monitor", "--port", path, "--duration", "7.5" });
        monitored = monitor.code == 0 ? monitor.out() : monitor.err();
        std::raise(SIGINT);
    });
    QCOMPARE(simulate.exec({ "simulate", "--fixed", "--temperature", "-OL", "--humidity", "33.3",
                             "--interval", "200", "--silence-after", "1", "--silence-for", "4.5" }),
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

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
