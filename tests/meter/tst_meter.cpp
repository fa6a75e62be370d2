#include "graphs/ScaleLabel.h"
#include "meter/Decoder.h"
#include "meter/DisplayFormat.h"
#include "meter/LiveFrame.h"
#include "meter/ReadingTexts.h"

#include <QLocale>
#include <QtTest>
#include <clocale>

using namespace dewscope;

Q_DECLARE_METATYPE(dewscope::MeterValue)

namespace {
MeterValue num(double v)
{
    return MeterValue::number(v);
}
const MeterValue OL = MeterValue::overload(false);
const MeterValue NegOL = MeterValue::overload(true);
} // namespace

// The meter's value bytes, the dew point and wet bulb, and the texts shown and recorded. Every
// test runs under a decimal-comma locale: the texts must still use a point.
class TestMeter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
            std::setlocale(LC_NUMERIC, "de_DE");
    }

    void decoders_data()
    {
        QTest::addColumn<bool>("humidity");
        QTest::addColumn<int>("bytes"); // high byte: over range, negative (bits 7, 6), magnitude
        QTest::addColumn<MeterValue>("value");
        QTest::addColumn<bool>("negative");
        QTest::addColumn<bool>("overload");

        // clang-format off
        QTest::newRow("-25.6 C") << false << 0x4100 << num(-25.6) << true << false;
        QTest::newRow("C over range ignores magnitude") << false << 0xBF12 << OL << false << true;
        QTest::newRow("C negative over range") << false << 0xC000 << NegOL << true << true;
        QTest::newRow("negative %") << true << 0x4005 << num(-0.5) << true << false;
        QTest::newRow("% negative over range") << true << 0xC300 << NegOL << true << true;
        // clang-format on
    }

    void decoders()
    {
        QFETCH(bool, humidity);
        QFETCH(int, bytes);
        Reading reading;
        if (humidity)
            decodeHumidity(reading, quint8(bytes >> 8), quint8(bytes));
        else
            decodeTemperature(reading, quint8(bytes >> 8), quint8(bytes));
        QTEST(humidity ? reading.rh : reading.tempC, "value");
        QTEST(humidity ? reading.rhNegative : reading.tempNegative, "negative");
        QTEST(humidity ? reading.rhOverload : reading.tempOverload, "overload");
    }

    void frameTexts_data()
    {
        QTest::addColumn<QString>("frames"); // decoded one after the other into one reading
        QTest::addColumn<QString>("texts"); // record order: t, dew, wet, rh, then t, dew, wet in °F

        // clang-format off
        QTest::newRow("25.0 C 50.0 %") << "0200FA01F403" << "25.0 13.9 18.0 50.0 77.0 57.0 64.4";
        QTest::newRow("saturated") << "02012C03E803" << "30.0 30.0 30.0 100.0 86.0 86.0 86.0";
        // The wet-bulb walk swings and hits its step limit: the wet bulb is over range.
        QTest::newRow("120.0 C 50.0 % unsettled") << "0204B001F403" << "120.0 99.9 OL 50.0 248.0 211.8 OL";
        // Over range: the temperature's sign decides between "OL" and "-OL".
        QTest::newRow("temperature over range") << "02800001F403" << "OL OL OL 50.0 OL OL OL";
        QTest::newRow("humidity over range, negative temperature") << "0240FA800003" << "-25.0 -OL -OL OL -13.0 -OL -OL";
        // An arithmetic error ends the dew/wet computation: the fields not yet written keep the
        // values of the frame before. Log of a vapour pressure of 0 or below:
        QTest::newRow("humidity 0") << "0200FA01F403 0200FA000003" << "25.0 13.9 18.0 0.0 77.0 57.0 64.4";
        // the saturation pressure underflows to 0 just above -243.5 °C
        QTest::newRow("-240.0 C") << "0200FA01F403 02496001F403" << "-240.0 13.9 18.0 50.0 -400.0 57.0 64.4";
        // T + 243.5 = 0 divides by zero
        QTest::newRow("-243.5 C") << "0200FA01F403 024983017F03" << "-243.5 13.9 18.0 38.3 -406.3 57.0 64.4";
        // clang-format on
    }

    void frameTexts()
    {
        QFETCH(QString, frames);
        Reading reading;
        for (const QString &frame : frames.split(QLatin1Char(' '))) {
            const QByteArray bytes = QByteArray::fromHex(frame.toLatin1());
            QCOMPARE(LiveFrame::classify(bytes), LiveFrame::Kind::Reading);
            LiveFrame::decode(reading, bytes);
        }
        QTEST(ReadingTexts::fromReading(reading).recordFields().join(QLatin1Char(' ')), "texts");
    }

    void formatReading_data()
    {
        // One decimal after rounding to 15 significant digits, half away from zero.
        QTest::addColumn<MeterValue>("value");
        QTest::addColumn<QString>("text");
        // clang-format off
        QTest::newRow("half away from zero") << num(-0.05) << "-0.1";
        QTest::newRow("15 digits first") << num(17.949999999999999) << "18.0";
        QTest::newRow("binary below half") << num(2.25) << "2.3";
        QTest::newRow("tiny negative keeps sign") << num(-0.01) << "-0.0";
        QTest::newRow("huge") << num(1e20) << "100000000000000000000.0";
        QTest::newRow("OL") << OL << "OL";
        QTest::newRow("-OL") << NegOL << "-OL";
        QTest::newRow("never set") << MeterValue() << "";
        // clang-format on
    }

    void formatReading()
    {
        QFETCH(MeterValue, value);
        QTEST(dewscope::formatReading(value), "text");
        if (value.isNumber())
            QTEST(dewscope::formatReading(value.value()), "text");
    }

    void formatScaleLabel_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        // clang-format off
        QTest::newRow("60") << 60.0f << " 60.0";
        QTest::newRow(".5") << 0.5f << " .5";
        QTest::newRow("-.5") << -0.5f << "-.5";
        QTest::newRow("third") << 100.0f / 3.0f << " 33.33333";
        // clang-format on
    }

    void formatScaleLabel()
    {
        QFETCH(float, value);
        QTEST(dewscope::formatScaleLabel(value), "text");
    }
};

QTEST_APPLESS_MAIN(TestMeter)
#include "tst_meter.moc"
