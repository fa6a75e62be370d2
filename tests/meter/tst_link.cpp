#include "app/SharedState.h"
#include "cli/Command.h"
#include "meter/LiveFrame.h"
#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "meter/PortMap.h"
#include "meter/PortOrder.h"
#include "meter/SerialSettings.h"
#include "meter/SimulatedMeter.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <csignal>
#include <memory>

using namespace hygrolog;

namespace {

// The program's side and the meter's side of one pseudo-terminal, with the poll running.
struct Rig
{
    SimulatedMeter meter;
    PortMap ports;
    MeterLink link { &ports };
    SharedState state;
    Poll poll { &link, &state };

    // Opens the meter (optionally behind a symbolic link) and the port as COM 1.
    bool start(const QString &linkPath = QString())
    {
        meter.setLinkPath(linkPath);
        QString error;
        if (!meter.open(&error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        ports.setOverride(linkPath.isEmpty() ? meter.path() : linkPath);
        link.setCommPort(1);
        if (link.open() != MeterLink::NoError) {
            qWarning("%s", qPrintable(link.errorString()));
            return false;
        }
        state.comPortNumber = 1;
        state.meterOnline = true;
        return true;
    }

    void fixed(double tempC, double rh, int intervalMs = 200)
    {
        meter.setDrift(false);
        meter.setValues(tempC, rh);
        meter.setFrameInterval(intervalMs);
    }
};

QList<PortOrder::SystemPort> systemPorts(const QStringList &locations)
{
    QList<PortOrder::SystemPort> ports;
    for (const QString &location : locations)
        ports.append({ location, QStringLiteral("port ") + location });
    return ports;
}

QStringList locationsOf(const QList<PortMap::Port> &ports)
{
    QStringList locations;
    for (const PortMap::Port &port : ports)
        locations.append(port.location);
    return locations;
}

struct CliRun
{
    int code;
    QString out;
    QString err;
};

CliRun runCli(const QStringList &args)
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

// What the poll must show for a frame: its bytes decoded away from any port.
ReadingTexts offlineTexts(const QByteArray &frame)
{
    Reading reading;
    LiveFrame::decode(reading, frame);
    return ReadingTexts::fromReading(reading);
}

} // namespace

class TestLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settingsParsing_data();
    void settingsParsing();
    void unixNumbering_data();
    void unixNumbering();
    void windowsNumbering();
    void overrideShiftsPorts_data();
    void overrideShiftsPorts();
    void comNumbers_data();
    void comNumbers();
    void portMapOverride();
    void memoryImageLayout_data();
    void memoryImageLayout();

    void steadyFramesDecode_data();
    void steadyFramesDecode();
    void badBytesAreDropped_data();
    void badBytesAreDropped();
    void waitEndsOnExactlySix_data();
    void waitEndsOnExactlySix();
    void silenceAndRecovery();
    void fifthWaitEndsInSilenceEvenWithBytes();
    void downloadAnnouncement();
    void offlineAndDisabledPollRestsQuiet();
    void openErrors_data();
    void openErrors();
    void secondOpenAndReopen();
    void replug_data();
    void replug();

    void cliMonitorFollowsMeter();
    void cliErrors_data();
    void cliErrors();
    void cliPortsAndSimulate();
};

void TestLink::settingsParsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");

    QTest::newRow("meter line") << "9600,n,8,1" << true << 9600 << int(QSerialPort::NoParity) << 8
                                << int(QSerialPort::OneStop);
    QTest::newRow("even, 7, 2, capitals")
        << "19200,E,7,2" << true << 19200 << int(QSerialPort::EvenParity) << 7
        << int(QSerialPort::TwoStop);
    QTest::newRow("odd, 5, 1.5") << "4800,o,5,1.5" << true << 4800 << int(QSerialPort::OddParity)
                                 << 5 << int(QSerialPort::OneAndHalfStop);
    QTest::newRow("mark") << "1200,m,6,1" << true << 1200 << int(QSerialPort::MarkParity) << 6
                          << int(QSerialPort::OneStop);
    QTest::newRow("space, blanks around parts")
        << " 9600 , s , 8 , 1 " << true << 9600 << int(QSerialPort::SpaceParity) << 8
        << int(QSerialPort::OneStop);
    for (const char *bad :
         { "", "9600", "9600,n,8", "9600,n,8,1,1", "9600;n;8;1", "fast,n,8,1", "-9600,n,8,1",
           "+9600,n,8,1", "0,n,8,1", "9600,x,8,1", "9600,none,8,1", "9600,n,4,1", "9600,n,9,1",
           "9600,n,8,0", "9600,n,8,3", "9600,n,8,1.0", "9600,,8,1" })
        QTest::newRow(qPrintable(QStringLiteral("refused '%1'").arg(QLatin1String(bad))))
            << QString::fromLatin1(bad) << false << 0 << 0 << 0 << 0;
}

void TestLink::settingsParsing()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);

    const std::optional<SerialSettings> settings = SerialSettings::parse(text);
    QCOMPARE(settings.has_value(), valid);
    if (valid) {
        QFETCH(int, baud);
        QFETCH(int, parity);
        QFETCH(int, dataBits);
        QFETCH(int, stopBits);
        QCOMPARE(settings->baudRate, baud);
        QCOMPARE(int(settings->parity), parity);
        QCOMPARE(int(settings->dataBits), dataBits);
        QCOMPARE(int(settings->stopBits), stopBits);
    }

    // The link refuses a bad text and keeps what it had.
    PortMap ports;
    MeterLink link(&ports);
    QVERIFY(link.setSettings(QStringLiteral("4800,e,7,2")));
    QCOMPARE(link.setSettings(text), valid);
    QCOMPARE(link.settings(), valid ? text : QStringLiteral("4800,e,7,2"));
}

void TestLink::unixNumbering_data()
{
    QTest::addColumn<QStringList>("system");
    QTest::addColumn<QStringList>("numbered");

    QTest::newRow("no ports") << QStringList() << QStringList();
    QTest::newRow("one USB meter is COM 1")
        << QStringList { "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyS1" }
        << QStringList { "/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyS1" };
    QTest::newRow("adapters together, numbers as numbers")
        << QStringList { "/dev/ttyS10", "/dev/ttyACM0", "/dev/ttyS2", "/dev/ttyUSB1",
                         "/dev/ttyUSB0" }
        << QStringList { "/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyS2",
                         "/dev/ttyS10" };
    QTest::newRow("USB10 after USB9") << QStringList { "/dev/ttyUSB10", "/dev/ttyUSB9" }
                                      << QStringList { "/dev/ttyUSB9", "/dev/ttyUSB10" };
    QTest::newRow("same port listed twice")
        << QStringList { "/dev/ttyUSB0", "/dev/ttyUSB0" } << QStringList { "/dev/ttyUSB0" };
    QStringList many;
    QStringList first16;
    for (int i = 19; i >= 0; --i)
        many.append(QStringLiteral("/dev/ttyS%1").arg(i));
    for (int i = 0; i < 16; ++i)
        first16.append(QStringLiteral("/dev/ttyS%1").arg(i));
    QTest::newRow("at most 16, lowest first") << many << first16;
    QStringList withUsb = many;
    withUsb.append(QStringLiteral("/dev/ttyUSB3"));
    QStringList usbThen15 = QStringList { "/dev/ttyUSB3" } + first16.mid(0, 15);
    QTest::newRow("a USB adapter beyond 16 ports still gets COM 1") << withUsb << usbThen15;
}

void TestLink::unixNumbering()
{
    QFETCH(QStringList, system);
    QFETCH(QStringList, numbered);

    const QList<PortMap::Port> ports = PortOrder::numberUnixPorts(systemPorts(system));
    QCOMPARE(locationsOf(ports), numbered);
    for (int i = 0; i < ports.size(); ++i) {
        QCOMPARE(ports.at(i).number, i + 1);
        QCOMPARE(ports.at(i).description, QStringLiteral("port ") + ports.at(i).location);
    }
    // The numbering does not depend on the order the system reports its ports in.
    QStringList reversed(system.crbegin(), system.crend());
    QCOMPARE(locationsOf(PortOrder::numberUnixPorts(systemPorts(reversed))), numbered);
}

void TestLink::windowsNumbering()
{
    const QList<PortMap::Port> ports
        = PortOrder::numberWindowsPorts(systemPorts({ "COM3", "LPT1", "COM1", "COM17", "COM16" }));
    QCOMPARE(locationsOf(ports), (QStringList { "COM1", "COM3", "COM16" }));
    QCOMPARE(ports.at(0).number, 1);
    QCOMPARE(ports.at(1).number, 3);
    QCOMPARE(ports.at(2).number, 16);
}

void TestLink::overrideShiftsPorts_data()
{
    QTest::addColumn<QStringList>("numbered");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QStringList>("expected");

    const QStringList two { "/dev/ttyUSB0", "/dev/ttyS0" };
    QTest::newRow("none") << two << QString() << two;
    QTest::newRow("pseudo-terminal in front")
        << two << "/dev/pts/5" << QStringList { "/dev/pts/5", "/dev/ttyUSB0", "/dev/ttyS0" };
    QTest::newRow("listed port moves, not repeated")
        << two << "/dev/ttyS0" << QStringList { "/dev/ttyS0", "/dev/ttyUSB0" };
    QTest::newRow("no system ports")
        << QStringList() << "/tmp/meter" << QStringList { "/tmp/meter" };
    QStringList sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen.append(QStringLiteral("/dev/ttyS%1").arg(i));
    QTest::newRow("the 16th falls off")
        << sixteen << "/dev/pts/1" << QStringList { "/dev/pts/1" } + sixteen.mid(0, 15);
}

void TestLink::overrideShiftsPorts()
{
    QFETCH(QStringList, numbered);
    QFETCH(QString, location);
    QFETCH(QStringList, expected);

    const QList<PortMap::Port> ports
        = PortOrder::applyOverride(PortOrder::numberUnixPorts(systemPorts(numbered)), location);
    QCOMPARE(locationsOf(ports), expected);
    for (int i = 0; i < ports.size(); ++i)
        QCOMPARE(ports.at(i).number, i + 1);
}

void TestLink::comNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");

    QTest::newRow("COM3") << "COM3" << 3;
    QTest::newRow("com 12") << "com 12" << 12;
    QTest::newRow("bare number") << " 7 " << 7;
    QTest::newRow("COM16") << "COM16" << 16;
    QTest::newRow("COM0") << "COM0" << 0;
    QTest::newRow("COM17") << "COM17" << 0;
    QTest::newRow("letters") << "COMX" << 0;
    QTest::newRow("a path") << "/dev/ttyS3" << 0;
    QTest::newRow("three digits") << "100" << 0;
}

void TestLink::comNumbers()
{
    QFETCH(QString, text);
    QFETCH(int, number);
    QCOMPARE(PortOrder::comNumber(text), number);
}

void TestLink::portMapOverride()
{
    PortMap map;
    const QList<PortMap::Port> before = map.ports();

    map.setOverride(QStringLiteral("/dev/pts/77"));
    QCOMPARE(map.location(1), QStringLiteral("/dev/pts/77"));
    QCOMPARE(map.number(QStringLiteral("/dev/pts/77")), 1);
    if (!before.isEmpty())
        QCOMPARE(map.location(2), before.first().location);

    map.setOverride(QString());
    QCOMPARE(locationsOf(map.ports()), locationsOf(before));

    // A COM name is resolved through the numbering of the moment.
    map.setOverride(QStringLiteral("COM2"));
    const QString second = before.size() >= 2 ? before.at(1).location : QStringLiteral("COM2");
    QCOMPARE(map.location(1), second);
    QCOMPARE(map.location(17), QString());
    QCOMPARE(map.number(QStringLiteral("/no/such/port")), 0);
}

void TestLink::memoryImageLayout_data()
{
    QTest::addColumn<int>("sets");
    QTest::addColumn<int>("records");
    QTest::addColumn<QTime>("start");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QByteArray>("header");

    // Start and end time in BCD, interval, slot count high first.
    QTest::newRow("two sets of three") << 2 << 3 << QTime(10, 30, 0) << 60
                                       << QByteArray::fromHex("00"
                                                              "103000"
                                                              "103500"
                                                              "3c"
                                                              "0008"
                                                              "00");
    QTest::newRow("one record") << 1 << 1 << QTime(23, 59, 59) << 1
                                << QByteArray::fromHex("00"
                                                       "235959"
                                                       "235959"
                                                       "01"
                                                       "0002"
                                                       "00");
    QTest::newRow("end time wraps midnight") << 1 << 3 << QTime(23, 59, 0) << 30
                                             << QByteArray::fromHex("00"
                                                                    "235900"
                                                                    "000000"
                                                                    "1e"
                                                                    "0004"
                                                                    "00");
    QTest::newRow("300 slots") << 3 << 99 << QTime(9, 5, 7) << 2
                               << QByteArray::fromHex("00"
                                                      "090507"
                                                      "091459"
                                                      "02"
                                                      "012c"
                                                      "00");
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
    const QByteArray marker(4, '\xFF');
    for (int slot = 0; slot < slotCount; ++slot) {
        const QByteArray bytes = image.mid(11 + 4 * slot, 4);
        const bool closesSet = (slot + 1) % (records + 1) == 0;
        QCOMPARE(bytes == marker, closesSet);
        if (!closesSet) {
            // A record decodes like a live frame's value bytes into a room-like climate.
            Reading reading;
            LiveFrame::decode(reading, '\x02' + bytes + '\x03');
            QVERIFY(reading.tempC.isNumber() && reading.rh.isNumber());
            QVERIFY(reading.tempC.value() >= 15 && reading.tempC.value() <= 30);
            QVERIFY(reading.rh.value() >= 30 && reading.rh.value() <= 70);
        }
    }
    // Too many slots for the 16-bit count: no image rather than a wrong one.
    QVERIFY(SimulatedMeter::makeMemoryImage(2, 40000, start, interval).isEmpty());
}

void TestLink::steadyFramesDecode_data()
{
    QTest::addColumn<double>("temp");
    QTest::addColumn<double>("rh");
    QTest::addColumn<int>("over"); // 0 none, 1 temperature, 2 negative temperature, 3 humidity
    QTest::addColumn<QString>("tempC");
    QTest::addColumn<QString>("tempF");
    QTest::addColumn<QString>("rhText");

    QTest::newRow("25.0 / 50.0") << 25.0 << 50.0 << 0 << "25.0"
                                 << "77.0"
                                 << "50.0";
    QTest::newRow("below zero, above 0 °F") << -12.5 << 35.2 << 0 << "-12.5"
                                            << "9.5"
                                            << "35.2";
    QTest::newRow("below 0 °F") << -20.0 << 80.0 << 0 << "-20.0"
                                << "-4.0"
                                << "80.0";
    QTest::newRow("zero") << 0.0 << 0.1 << 0 << "0.0"
                          << "32.0"
                          << "0.1";
    QTest::newRow("temperature over range") << 25.0 << 50.0 << 1 << "OL"
                                            << "OL"
                                            << "50.0";
    QTest::newRow("temperature under range") << 25.0 << 50.0 << 2 << "-OL"
                                             << "-OL"
                                             << "50.0";
    QTest::newRow("humidity over range") << 20.0 << 50.0 << 3 << "20.0"
                                         << "68.0"
                                         << "OL";
}

void TestLink::steadyFramesDecode()
{
    QFETCH(double, temp);
    QFETCH(double, rh);
    QFETCH(int, over);
    QFETCH(QString, tempC);
    QFETCH(QString, tempF);
    QFETCH(QString, rhText);

    Rig rig;
    rig.fixed(temp, rh);
    rig.meter.setTemperatureOverRange(over == 1 || over == 2, over == 2);
    rig.meter.setHumidityOverRange(over == 3);
    QSignalSpy sent(&rig.meter, &SimulatedMeter::frameSent);
    QVERIFY(rig.start());
    QSignalSpy decoded(&rig.poll, &Poll::readingDecoded);
    rig.poll.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(decoded.count() >= 3, 5000);

    QCOMPARE(rig.state.texts.tempC, tempC);
    QCOMPARE(rig.state.texts.tempF, tempF);
    QCOMPARE(rig.state.texts.rh, rhText);
    if (over == 1 || over == 2) {
        QCOMPARE(rig.state.texts.dewC, tempC);
        QCOMPARE(rig.state.texts.wetF, tempF);
    }
    // The bytes crossed the pseudo-terminal unchanged: the poll shows what the frame says.
    QVERIFY(!sent.isEmpty());
    QVERIFY(rig.state.texts == offlineTexts(sent.last().first().toByteArray()));
    QVERIFY(!rig.poll.isSilent());
}

void TestLink::badBytesAreDropped_data()
{
    QTest::addColumn<QByteArray>("garbage");

    QTest::newRow("torn frame start") << QByteArray::fromHex("020100");
    QTest::newRow("lone end bytes") << QByteArray::fromHex("0303030303");
    QTest::newRow("six bytes, wrong end") << QByteArray::fromHex("020100020004");
    QTest::newRow("six bytes, wrong start") << QByteArray::fromHex("000100020003");
    QTest::newRow("start bytes") << QByteArray::fromHex("02020202020202");
    QTest::newRow("frame tail") << QByteArray::fromHex("01f403");
}

void TestLink::badBytesAreDropped()
{
    QFETCH(QByteArray, garbage);

    Rig rig;
    rig.fixed(25.0, 50.0, 300);
    QVERIFY(rig.start());
    QSignalSpy decoded(&rig.poll, &Poll::readingDecoded);
    QList<QString> temperatures;
    connect(&rig.poll, &Poll::readingDecoded, this,
            [&] { temperatures.append(rig.state.texts.tempC); });
    bool garbageSent = false;
    int decodedBeforeGarbage = 0;
    // Right after a tick's flush, so the garbage lands in front of the next frame.
    connect(&rig.poll, &Poll::tickStarted, this, [&] {
        if (!garbageSent && !temperatures.isEmpty()) {
            garbageSent = true;
            decodedBeforeGarbage = temperatures.size();
            rig.meter.sendRaw(garbage);
        }
    });
    rig.poll.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(garbageSent && temperatures.size() >= decodedBeforeGarbage + 3, 8000);
    // Every reading is the meter's 25.0: the garbage never reached the display.
    for (const QString &t : temperatures)
        QCOMPARE(t, QStringLiteral("25.0"));
    QCOMPARE(rig.state.texts.rh, QStringLiteral("50.0"));
    QVERIFY(!rig.poll.isSilent());
}

void TestLink::waitEndsOnExactlySix_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("tempC");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");

    QTest::newRow("exactly six: at once")
        << SimulatedMeter::encodeFrame(25.0, 50.0) << "25.0" << 0 << 450;
    QTest::newRow("twelve: at the limit, first six used")
        << SimulatedMeter::encodeFrame(20.0, 40.0) + SimulatedMeter::encodeFrame(30.0, 60.0)
        << "20.0" << 580 << 1100;
    QTest::newRow("seven: at the limit")
        << SimulatedMeter::encodeFrame(21.5, 41.0) + QByteArray(1, '\x02') << "21.5" << 580 << 1100;
}

void TestLink::waitEndsOnExactlySix()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, tempC);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);

    Rig rig;
    rig.meter.setSilent(true);
    QVERIFY(rig.start());
    QElapsedTimer clock;
    qint64 decodedAfter = -1;
    connect(&rig.poll, &Poll::tickStarted, this, [&] {
        if (!clock.isValid()) {
            clock.start();
            rig.meter.sendRaw(bytes);
        }
    });
    connect(&rig.poll, &Poll::readingDecoded, this, [&] {
        if (decodedAfter < 0)
            decodedAfter = clock.elapsed();
    });
    rig.poll.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(decodedAfter >= 0, 3000);
    QCOMPARE(rig.state.texts.tempC, tempC);
    QVERIFY2(decodedAfter >= minMs && decodedAfter <= maxMs,
             qPrintable(QStringLiteral("decoded after %1 ms").arg(decodedAfter)));
}

void TestLink::silenceAndRecovery()
{
    Rig rig;
    rig.fixed(25.0, 50.0);
    QVERIFY(rig.start());
    QSignalSpy decoded(&rig.poll, &Poll::readingDecoded);
    QSignalSpy silent(&rig.poll, &Poll::meterSilent);
    QSignalSpy blink(&rig.poll, &Poll::blinkToggled);
    QSignalSpy back(&rig.poll, &Poll::meterBack);
    rig.poll.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(decoded.count() >= 2, 3000);

    QElapsedTimer clock;
    clock.start();
    rig.meter.setSilent(true);
    QVERIFY(silent.wait(6000));
    const qint64 silentAfter = clock.elapsed();
    // Four to five waits of 0.6 s: the wait under way when the meter fell silent, then four more.
    QVERIFY2(silentAfter >= 2300 && silentAfter <= 4300,
             qPrintable(QStringLiteral("silent after %1 ms").arg(silentAfter)));
    QVERIFY(rig.poll.isSilent());
    const int decodedWhenSilent = decoded.count();

    QTest::qWait(1300);
    QCOMPARE(silent.count(), 1); // reported once, then only blinking
    QVERIFY2(blink.count() >= 5, qPrintable(QString::number(blink.count())));
    for (int i = 0; i < blink.count(); ++i)
        QCOMPARE(blink.at(i).first().toBool(), i % 2 == 1); // hidden first, then every 0.2 s
    QVERIFY(back.isEmpty());
    QCOMPARE(decoded.count(), decodedWhenSilent);
    // The labels keep the last values.
    QCOMPARE(rig.state.texts.tempC, QStringLiteral("25.0"));

    rig.meter.setValues(26.0, 51.0);
    rig.meter.setSilent(false);
    QVERIFY(back.wait(2000));
    QCOMPARE(back.first().first().toInt(), 1);
    QVERIFY(!rig.poll.isSilent());
    QTRY_VERIFY_WITH_TIMEOUT(decoded.count() > decodedWhenSilent, 3000);
    QCOMPARE(rig.state.texts.tempC, QStringLiteral("26.0"));
}

void TestLink::fifthWaitEndsInSilenceEvenWithBytes()
{
    Rig rig;
    rig.meter.setSilent(true);
    QVERIFY(rig.start());
    QSignalSpy decoded(&rig.poll, &Poll::readingDecoded);
    QSignalSpy silent(&rig.poll, &Poll::meterSilent);
    QSignalSpy back(&rig.poll, &Poll::meterBack);
    bool scheduled = false;
    connect(&rig.poll, &Poll::tickStarted, this, [&] {
        if (scheduled)
            return;
        scheduled = true;
        // The middle of the fifth wait (2.4 s to 3.0 s after the first flush).
        QTimer::singleShot(2700, &rig.meter,
                           [&] { rig.meter.sendRaw(SimulatedMeter::encodeFrame(25.0, 50.0)); });
    });
    rig.poll.setEnabled(true);
    QVERIFY(silent.wait(5000));
    QVERIFY(back.wait(2000)); // the frame's bytes end the blinking at its first step
    QCOMPARE(back.first().first().toInt(), 1);
    QCOMPARE(decoded.count(), 0);
}

void TestLink::downloadAnnouncement()
{
    Rig rig;
    rig.fixed(25.0, 50.0);
    QVERIFY(rig.start());
    QSignalSpy decoded(&rig.poll, &Poll::readingDecoded);
    rig.poll.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(decoded.count() >= 1, 3000);

    const QByteArray image = SimulatedMeter::makeMemoryImage(2, 3, QTime(10, 30, 0), 60);
    QByteArray received;
    bool announced = false;
    int decodedAtAnnouncement = -1;
    connect(&rig.poll, &Poll::downloadAnnounced, this, [&] {
        announced = true;
        decodedAtAnnouncement = decoded.count();
        received += rig.link.input();
    });
    connect(&rig.link, &MeterLink::bytesArrived, this, [&] {
        if (announced)
            received += rig.link.input();
    });
    rig.meter.sendDownload(image);
    QTRY_VERIFY_WITH_TIMEOUT(announced, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(received.size() >= image.size(), 3000);
    // Every byte value crossed the line as sent, 0xFF markers included.
    QCOMPARE(received.left(image.size()).toHex(), image.toHex());

    // The poll holds still until the transfer says it is over.
    QTest::qWait(700);
    QCOMPARE(decoded.count(), decodedAtAnnouncement);
    rig.poll.downloadFinished();
    QTRY_VERIFY_WITH_TIMEOUT(decoded.count() > decodedAtAnnouncement, 3000);
    QCOMPARE(rig.state.texts.tempC, QStringLiteral("25.0"));
}

void TestLink::offlineAndDisabledPollRestsQuiet()
{
    Rig rig;
    rig.fixed(25.0, 50.0, 100);
    QVERIFY(rig.start());
    QSignalSpy started(&rig.poll, &Poll::tickStarted);
    QSignalSpy decoded(&rig.poll, &Poll::readingDecoded);

    // Offline: the beats find nothing to do, not even a flush, so the bytes pile up.
    rig.state.meterOnline = false;
    rig.poll.setEnabled(true);
    QTest::qWait(800);
    QCOMPARE(started.count(), 0);
    QVERIFY2(rig.link.inBufferCount() >= 3 * LiveFrame::Length,
             qPrintable(QString::number(rig.link.inBufferCount())));

    rig.state.meterOnline = true;
    QTRY_VERIFY_WITH_TIMEOUT(decoded.count() >= 2, 3000);

    // Disabled: the tick under way ends, and no new one starts.
    rig.poll.setEnabled(false);
    QVERIFY(!rig.poll.isEnabled());
    QTest::qWait(700);
    const int startedWhenStopped = started.count();
    QTest::qWait(800);
    QCOMPARE(started.count(), startedWhenStopped);
}

void TestLink::openErrors_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("location");
    QTest::addColumn<int>("error");

    QTest::newRow("missing device")
        << 1 << "/dev/hygrolog-no-such-port" << int(MeterLink::PortUnavailable);
    QTest::newRow("not a serial device") << 1 << "/dev/null" << int(MeterLink::PortUnavailable);
    QTest::newRow("a directory") << 1 << "/tmp" << int(MeterLink::PortUnavailable);
    QTest::newRow("number 0") << 0 << "/dev/null" << int(MeterLink::InvalidPortNumber);
    QTest::newRow("number 17") << 17 << "/dev/null" << int(MeterLink::InvalidPortNumber);
    QTest::newRow("negative number") << -3 << "/dev/null" << int(MeterLink::InvalidPortNumber);
}

void TestLink::openErrors()
{
    QFETCH(int, number);
    QFETCH(QString, location);
    QFETCH(int, error);

    PortMap ports;
    ports.setOverride(location);
    MeterLink link(&ports);
    link.setCommPort(number);
    const int result = link.open();
    QCOMPARE(result, error);
    QVERIFY(result != MeterLink::NoError && result != MeterLink::PortAlreadyOpen);
    QVERIFY(!link.isOpen());
    QVERIFY(!link.errorString().isEmpty());
    // Reading a port that never opened gives nothing and does not fail.
    QCOMPARE(link.inBufferCount(), 0);
    QVERIFY(link.input().isEmpty());
    link.clearInBuffer();
}

void TestLink::secondOpenAndReopen()
{
    SimulatedMeter meter;
    meter.setDrift(false);
    meter.setFrameInterval(100);
    QVERIFY(meter.open());
    PortMap ports;
    ports.setOverride(meter.path());
    MeterLink link(&ports);
    link.setCommPort(1);
    QCOMPARE(link.open(), int(MeterLink::NoError));
    QCOMPARE(link.open(), int(MeterLink::PortAlreadyOpen));
    QVERIFY(link.isOpen());
    QCOMPARE(link.location(), meter.path());
    // 9600 8N1 took on the pseudo-terminal too: no note of a refused setting.
    QVERIFY2(link.errorString().isEmpty(), qPrintable(link.errorString()));

    // Another program's link finds the port in use.
    MeterLink other(&ports);
    other.setCommPort(1);
    const int busy = other.open();
    QVERIFY2(busy != MeterLink::NoError && busy != MeterLink::PortAlreadyOpen,
             qPrintable(QString::number(busy)));

    QTRY_VERIFY_WITH_TIMEOUT(link.inBufferCount() >= 6, 2000);
    link.setInputLen(4);
    QCOMPARE(link.input().size(), 4); // InputLen bounds one read
    link.setInputLen(0);
    link.clearInBuffer();
    QCOMPARE(link.inBufferCount(), 0);

    // Closed and opened again: the pseudo-terminal is still there and frames still come.
    link.close();
    QVERIFY(!link.isOpen());
    QCOMPARE(link.open(), int(MeterLink::NoError));
    QTRY_VERIFY_WITH_TIMEOUT(link.inBufferCount() >= 6, 2000);
    const QByteArray bytes = link.input();
    QVERIFY(bytes.contains(SimulatedMeter::encodeFrame(25.0, 50.0)));
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
    QVERIFY(dir.isValid());
    Rig rig;
    rig.fixed(25.0, 50.0);
    QVERIFY(rig.start(dir.filePath(QStringLiteral("meter"))));
    QSignalSpy decoded(&rig.poll, &Poll::readingDecoded);
    QSignalSpy lost(&rig.link, &MeterLink::portLost);
    QSignalSpy restored(&rig.link, &MeterLink::portRestored);
    QSignalSpy silent(&rig.poll, &Poll::meterSilent);
    QSignalSpy back(&rig.poll, &Poll::meterBack);
    rig.poll.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(decoded.count() >= 2, 3000);

    rig.meter.unplug();
    QVERIFY(lost.wait(3000));
    QVERIFY(rig.link.isLost());
    QVERIFY(!rig.link.isOpen());
    QCOMPARE(rig.link.inBufferCount(), 0);
    QTest::qWait(unpluggedMs);
    QCOMPARE(restored.count(), 0);

    rig.meter.setValues(24.0, 45.0);
    QVERIFY(rig.meter.replug());
    QVERIFY(restored.wait(3000));
    QVERIFY(rig.link.isOpen());
    QVERIFY(!rig.link.isLost());
    QCOMPARE(lost.count(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(rig.state.texts.tempC, QStringLiteral("24.0"), 5000);
    QCOMPARE(rig.state.texts.rh, QStringLiteral("45.0"));
    QCOMPARE(silent.count(), silenceShown ? 1 : 0);
    if (silenceShown) {
        QTRY_COMPARE_WITH_TIMEOUT(back.count(), 1, 2000);
        QCOMPARE(back.first().first().toInt(), 1);
    }
}

void TestLink::cliMonitorFollowsMeter()
{
    SimulatedMeter meter;
    meter.setDrift(false);
    meter.setFrameInterval(200);
    QVERIFY(meter.open());
    QTimer::singleShot(1000, &meter, [&] { meter.setSilent(true); });
    QTimer::singleShot(5500, &meter, [&] { meter.setSilent(false); });

    const CliRun run = runCli({ "monitor", "--port", meter.path(), "--duration", "7.5" });
    QCOMPARE(run.code, 0);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const int noCom = lines.indexOf(QStringLiteral("No COM"));
    const int com1 = lines.indexOf(QStringLiteral("COM1"));
    QVERIFY2(noCom >= 2 && com1 > noCom && com1 + 2 < lines.size(), qPrintable(run.out));
    QCOMPARE(lines.count(QStringLiteral("No COM")), 1);
    // A reading line is the data-file line without its number: time, then the seven texts.
    static const QRegularExpression reading(QStringLiteral(
        "^\\d\\d:\\d\\d:\\d\\d\\t25\\.0\\t13\\.9\\t18\\.0\\t50\\.0\\t77\\.0\\t57\\.0\\t64\\.4$"));
    for (int i = 0; i < lines.size(); ++i) {
        if (i != noCom && i != com1)
            QVERIFY2(reading.match(lines.at(i)).hasMatch(), qPrintable(lines.at(i)));
    }
}

void TestLink::cliErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    QTest::newRow("monitor on a missing port")
        << QStringList { "monitor", "--port", "/dev/hygrolog-no-such-port", "--duration", "1" } << 1
        << "cannot open /dev/hygrolog-no-such-port";
    QTest::newRow("monitor without a port") << QStringList { "monitor" } << 2 << "--port";
    QTest::newRow("monitor with a bad duration")
        << QStringList { "monitor", "--port", "/dev/null", "--duration", "soon" } << 2
        << "--duration";
    QTest::newRow("simulate with a bad interval")
        << QStringList { "simulate", "--interval", "0" } << 2 << "--interval";
    QTest::newRow("simulate half a download")
        << QStringList { "simulate", "--download-sets", "2" } << 2 << "--download-records";
    QTest::newRow("simulate a download too large")
        << QStringList { "simulate", "--download-sets", "2", "--download-records", "40000" } << 2
        << "65535";
    QTest::newRow("simulate silence without its length")
        << QStringList { "simulate", "--silence-after", "2" } << 2 << "--silence-for";
    QTest::newRow("simulate an unreadable image")
        << QStringList { "simulate", "--download-file", "/no/such/image" } << 1 << "cannot read";
    QTest::newRow("ports with a stray argument")
        << QStringList { "ports", "extra" } << 2 << "extra";
}

void TestLink::cliErrors()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);

    const CliRun run = runCli(args);
    QCOMPARE(run.code, code);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

void TestLink::cliPortsAndSimulate()
{
    // The simulator runs in this process until SIGINT; meanwhile a link reads its frames.
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    cli::Io io { outStream, errStream };
    QString path;
    QString portsLine;
    QByteArray received;
    PortMap ports;
    MeterLink link(&ports);
    QTimer::singleShot(300, this, [&] {
        outStream.flush();
        path = out.section(QLatin1Char('\n'), 0, 0);
        const CliRun listed = runCli({ "ports", "--port", path });
        portsLine = listed.out.section(QLatin1Char('\n'), 0, 0);
        ports.setOverride(path);
        link.setCommPort(1);
        link.open();
    });
    QTimer::singleShot(1500, this, [&] {
        received = link.input();
        link.close();
        std::raise(SIGINT);
    });
    const int code = cli::runCommandLine({ "simulate", "--fixed", "--temperature", "-OL",
                                           "--humidity", "33.3", "--interval", "100" },
                                         io);
    QCOMPARE(code, 0);
    QVERIFY2(path.startsWith(QLatin1String("/dev/")), qPrintable(path));
    QCOMPARE(portsLine, QStringLiteral("COM1\t%1\t").arg(path));
    QVERIFY2(received.size() >= 6, qPrintable(received.toHex()));
    // -OL: over range with the negative bit; 33.3 % is 333 tenths.
    QVERIFY2(received.contains(QByteArray::fromHex("02c000014d03")), qPrintable(received.toHex()));
    // Once stopped, the pseudo-terminal is gone.
    MeterLink again(&ports);
    again.setCommPort(1);
    QVERIFY(again.open() != MeterLink::NoError);
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
