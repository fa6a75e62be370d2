#include "graphs/ScaleLabel.h"
#include "meter/Decoder.h"
#include "meter/DisplayFormat.h"
#include "meter/LiveFrame.h"
#include "meter/Psychrometrics.h"
#include "meter/ReadingTexts.h"
#include "meter/WetBulb.h"

#include <QLocale>
#include <QtTest>
#include <clocale>

using namespace hygrolog;

Q_DECLARE_METATYPE(hygrolog::MeterValue)

namespace {
MeterValue num(double v) { return MeterValue::number(v); }
const MeterValue OL = MeterValue::overload(false);
const MeterValue NegOL = MeterValue::overload(true);
} // namespace

class TestMeter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodeTemperature_data();
    void decodeTemperature();
    void decodeHumidity_data();
    void decodeHumidity();
    void dewAndWet_data();
    void dewAndWet();
    void overloadMarksFollowTemperatureSign_data();
    void overloadMarksFollowTemperatureSign();
    void arithmeticErrorKeepsEarlierValues_data();
    void arithmeticErrorKeepsEarlierValues();
    void unsettledWalkIsOverRange();
    void frameClassification_data();
    void frameClassification();
    void formatReading_data();
    void formatReading();
    void formattersIgnoreDecimalCommaLocale();
    void formatScaleLabel_data();
    void formatScaleLabel();
    void textsFollowRecordOrder();
};

void TestMeter::decodeTemperature_data()
{
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("low");
    QTest::addColumn<MeterValue>("tempC");
    QTest::addColumn<MeterValue>("tempF");
    QTest::addColumn<bool>("negative");
    QTest::addColumn<bool>("overload");

    QTest::newRow("25.0") << 0x00 << 0xFA << num(25.0) << num(77.0) << false << false;
    QTest::newRow("zero") << 0x00 << 0x00 << num(0.0) << num(32.0) << false << false;
    QTest::newRow("-25.6") << 0x41 << 0x00 << num(-25.6) << num(-25.6 * 1.8 + 32) << true << false;
    QTest::newRow("largest") << 0x3F << 0xFF << num(1638.3) << num(1638.3 * 1.8 + 32) << false
                             << false;
    QTest::newRow("most negative") << 0x7F << 0xFF << num(-1638.3)
                                   << num(-1638.3 * 1.8 + 32) << true << false;
    QTest::newRow("over range") << 0x80 << 0x00 << OL << OL << false << true;
    QTest::newRow("over range ignores magnitude") << 0xBF << 0x12 << OL << OL << false << true;
    QTest::newRow("negative over range") << 0xC0 << 0x00 << NegOL << NegOL << true << true;
}

void TestMeter::decodeTemperature()
{
    QFETCH(int, high);
    QFETCH(int, low);
    Reading reading;
    hygrolog::decodeTemperature(reading, quint8(high), quint8(low));
    QTEST(reading.tempC, "tempC");
    QTEST(reading.tempF, "tempF");
    QTEST(reading.tempNegative, "negative");
    QTEST(reading.tempOverload, "overload");
}

void TestMeter::decodeHumidity_data()
{
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("low");
    QTest::addColumn<MeterValue>("rh");
    QTest::addColumn<bool>("negative");
    QTest::addColumn<bool>("overload");

    QTest::newRow("50.0") << 0x01 << 0xF4 << num(50.0) << false << false;
    QTest::newRow("0.1") << 0x00 << 0x01 << num(0.1) << false << false;
    QTest::newRow("negative") << 0x40 << 0x05 << num(-0.5) << true << false;
    QTest::newRow("over range") << 0x80 << 0xFF << OL << false << true;
    QTest::newRow("negative over range") << 0xC3 << 0x00 << NegOL << true << true;
}

void TestMeter::decodeHumidity()
{
    QFETCH(int, high);
    QFETCH(int, low);
    Reading reading;
    reading.tempF = num(99); // humidity has no Fahrenheit side effect
    hygrolog::decodeHumidity(reading, quint8(high), quint8(low));
    QTEST(reading.rh, "rh");
    QTEST(reading.rhNegative, "negative");
    QTEST(reading.rhOverload, "overload");
    QCOMPARE(reading.tempF, num(99));
}

void TestMeter::dewAndWet_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<double>("rh");
    QTest::addColumn<double>("dewC");
    QTest::addColumn<QString>("dewText");
    QTest::addColumn<QString>("wetText");
    QTest::addColumn<qint64>("steps");

    QTest::newRow("25/50") << 25.0 << 50.0 << 13.868 << "13.9" << "18.0" << qint64(1798);
    QTest::newRow("20/80") << 20.0 << 80.0 << 16.45 << "16.4" << "17.7" << qint64(1770);
    QTest::newRow("-5/60") << -5.0 << 60.0 << -11.57 << "-11.6" << "-6.7" << qint64(671);
    QTest::newRow("saturated 30") << 30.0 << 100.0 << 30.0 << "30.0" << "30.0" << qint64(3000);
}

void TestMeter::dewAndWet()
{
    QFETCH(double, t);
    QFETCH(double, rh);
    QFETCH(double, dewC);
    Reading reading;
    computeDewWet(reading, t, rh);
    QVERIFY(reading.dewC.isNumber() && reading.wetC.isNumber());
    QVERIFY2(qAbs(reading.dewC.value() - dewC) < 0.005, qPrintable(QString::number(reading.dewC.value())));
    QTEST(hygrolog::formatReading(reading.dewC), "dewText");
    QTEST(hygrolog::formatReading(reading.wetC), "wetText");
    QCOMPARE(reading.dewF.value(), reading.dewC.value() * 1.8 + 32);
    QCOMPARE(reading.wetF.value(), reading.wetC.value() * 1.8 + 32);

    double e = 6.112 * std::exp(17.67 * t / (t + 243.5)) * rh * 0.01;
    const WetBulbResult walk = walkWetBulb(t, e);
    QCOMPARE(walk.outcome, WetBulbResult::Outcome::Converged);
    QTEST(walk.steps, "steps");
    QCOMPARE(findWetBulb(t, e), walk);
    QCOMPARE(reading.wetC, num(walk.wetBulb));
}

void TestMeter::overloadMarksFollowTemperatureSign_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QStringList>("texts"); // record order

    QTest::newRow("temperature over range")
            << QByteArray::fromHex("02800001F403")
            << QStringList { "OL", "OL", "OL", "50.0", "OL", "OL", "OL" };
    QTest::newRow("humidity over range, negative temperature")
            << QByteArray::fromHex("0240FA800003")
            << QStringList { "-25.0", "-OL", "-OL", "OL", "-13.0", "-OL", "-OL" };
    QTest::newRow("both negative over range")
            << QByteArray::fromHex("02C000C00003")
            << QStringList { "-OL", "-OL", "-OL", "-OL", "-OL", "-OL", "-OL" };
}

void TestMeter::overloadMarksFollowTemperatureSign()
{
    QFETCH(QByteArray, frame);
    Reading reading;
    QCOMPARE(LiveFrame::classify(frame), LiveFrame::Kind::Reading);
    LiveFrame::decode(reading, frame);
    QTEST(ReadingTexts::fromReading(reading).recordFields(), "texts");
}

void TestMeter::arithmeticErrorKeepsEarlierValues_data()
{
    QTest::addColumn<QByteArray>("frame");

    // log of a vapour pressure of 0 or below
    QTest::newRow("humidity 0") << QByteArray::fromHex("0200FA000003");
    QTest::newRow("humidity negative") << QByteArray::fromHex("0200FA400503");
    // the saturation pressure underflows to 0 just above -243.5 °C
    QTest::newRow("-240.0 C") << QByteArray::fromHex("02496001F403");
    // T + 243.5 = 0 divides by zero
    QTest::newRow("-243.5 C") << QByteArray::fromHex("024983017F03");
}

void TestMeter::arithmeticErrorKeepsEarlierValues()
{
    QFETCH(QByteArray, frame);
    Reading reading;
    LiveFrame::decode(reading, QByteArray::fromHex("0200FA01F403"));
    const Reading before = reading;
    LiveFrame::decode(reading, frame);
    QVERIFY(reading.tempC != before.tempC || reading.rh != before.rh);
    QCOMPARE(reading.dewC, before.dewC);
    QCOMPARE(reading.wetC, before.wetC);
    QCOMPARE(reading.dewF, before.dewF);
    QCOMPARE(reading.wetF, before.wetF);
}

void TestMeter::unsettledWalkIsOverRange()
{
    // 120 °C at 50 %: one step moves d by more than the tolerance band, the walk never settles
    const double t = 120.0;
    const double e = 6.112 * std::exp(17.67 * t / (t + 243.5)) * 50.0 * 0.01;
    const WetBulbResult walk = walkWetBulb(t, e);
    QCOMPARE(walk.outcome, WetBulbResult::Outcome::StepLimit);
    QCOMPARE(walk.steps, WetBulbStepLimit);
    QCOMPARE(findWetBulb(t, e), walk);

    Reading reading;
    computeDewWet(reading, t, 50.0);
    QVERIFY(reading.dewC.isNumber());
    QVERIFY(reading.dewF.isNumber());
    QCOMPARE(reading.wetC, OL);
    QCOMPARE(reading.wetF, OL);
}

void TestMeter::frameClassification_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");
    const int R = int(LiveFrame::Kind::Reading);
    const int D = int(LiveFrame::Kind::DownloadAnnouncement);
    const int I = int(LiveFrame::Kind::Invalid);
    QTest::newRow("reading") << QByteArray::fromHex("0200FA01F403") << R;
    QTest::newRow("extra bytes ignored") << QByteArray::fromHex("0200FA01F403AABB") << R;
    QTest::newRow("announcement") << QByteArray(6, char(0xFF)) << D;
    QTest::newRow("announcement and data") << QByteArray(9, char(0xFF)) << D;
    QTest::newRow("five FF") << QByteArray::fromHex("FFFFFFFFFF03") << I;
    QTest::newRow("bad start") << QByteArray::fromHex("0300FA01F403") << I;
    QTest::newRow("bad end") << QByteArray::fromHex("0200FA01F402") << I;
    QTest::newRow("short") << QByteArray::fromHex("0200FA01F4") << I;
    QTest::newRow("empty") << QByteArray() << I;
}

void TestMeter::frameClassification()
{
    QFETCH(QByteArray, bytes);
    QTEST(int(LiveFrame::classify(bytes)), "kind");
}

void TestMeter::formatReading_data()
{
    QTest::addColumn<MeterValue>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << num(7) << "7.0";
    QTest::newRow("negative") << num(-3.14) << "-3.1";
    QTest::newRow("half up") << num(0.05) << "0.1";
    QTest::newRow("half away from zero") << num(-0.05) << "-0.1";
    QTest::newRow("15 digits first") << num(17.949999999999999) << "18.0";
    QTest::newRow("binary below half") << num(2.25) << "2.3";
    QTest::newRow("tiny") << num(0.0001) << "0.0";
    QTest::newRow("tiny negative keeps sign") << num(-0.01) << "-0.0";
    QTest::newRow("carry") << num(99.96) << "100.0";
    QTest::newRow("large") << num(1638.3 * 1.8 + 32) << "2980.9";
    QTest::newRow("huge") << num(1e20) << "100000000000000000000.0";
    QTest::newRow("walk result") << num(17.980000000000011) << "18.0";
    QTest::newRow("OL") << OL << "OL";
    QTest::newRow("-OL") << NegOL << "-OL";
    QTest::newRow("never set") << MeterValue() << "";
}

void TestMeter::formatReading()
{
    QFETCH(MeterValue, value);
    QTEST(hygrolog::formatReading(value), "text");
}

void TestMeter::formattersIgnoreDecimalCommaLocale()
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const char *cLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    if (!cLocale)
        cLocale = std::setlocale(LC_NUMERIC, "de_DE");
    QCOMPARE(hygrolog::formatReading(12.3), QStringLiteral("12.3"));
    QCOMPARE(hygrolog::formatReading(0.5), QStringLiteral("0.5"));
    QCOMPARE(hygrolog::formatReading(12.0), QStringLiteral("12.0"));
    QCOMPARE(hygrolog::formatScaleLabel(12.5f), QStringLiteral(" 12.5"));
    QCOMPARE(hygrolog::formatScaleLabel(0.5f), QStringLiteral(" .5"));
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(previous);
}

void TestMeter::formatScaleLabel_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("60") << 60.0f << " 60.0";
    QTest::newRow("-20") << -20.0f << "-20.0";
    QTest::newRow("12.5") << 12.5f << " 12.5";
    QTest::newRow(".5") << 0.5f << " .5";
    QTest::newRow("-.5") << -0.5f << "-.5";
    QTest::newRow("4.375") << 4.375f << " 4.375";
    QTest::newRow("100.04") << 100.04f << " 100.04";
    QTest::newRow("zero") << 0.0f << " 0.0";
    QTest::newRow("third") << 100.0f / 3.0f << " 33.33333";
    QTest::newRow("37.8 F") << (100.0f - 32) * 5 / 9 << " 37.77778";
    QTest::newRow("small") << 0.0625f << " .0625";
    QTest::newRow("140") << 140.0f << " 140.0";
}

void TestMeter::formatScaleLabel()
{
    QFETCH(float, value);
    QTEST(hygrolog::formatScaleLabel(value), "text");
}

void TestMeter::textsFollowRecordOrder()
{
    Reading reading;
    LiveFrame::decode(reading, QByteArray::fromHex("0200FA01F403"));
    const ReadingTexts texts = ReadingTexts::fromReading(reading);
    QCOMPARE(texts.recordFields(),
             QStringList({ "25.0", "13.9", "18.0", "50.0", "77.0", "57.0", "64.4" }));
}

QTEST_APPLESS_MAIN(TestMeter)
#include "tst_meter.moc"
