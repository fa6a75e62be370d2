#include "app/MainToolbarCommands.h"
#include "desktop/ProgramSettings.h"
#include "recording/Recorder.h"
#include "summary/SummaryFormat.h"
#include "summary/SummaryReport.h"
#include "summary/SummaryWindow.h"
#include "tables/FileListWindow.h"
#include "tables/RecordTableModel.h"
#include "tables/RecordWindows.h"
#include "tests/common/CommandRun.h"
#include "tests/common/PdfPage.h"
#include "tests/common/ProgramRig.h"
#include "tests/common/TestData.h"

#include <QtTest>
#include <QtWidgets>

using namespace dewscope;
using test::CommandRun;

namespace {

// Rows as "time T D W RH TF DF WF;..." (cells in record order after the time, "_" empty, missing
// ones empty, "@date" the tenth field): numbered TAB-separated record lines.
QStringList recordLines(const QString &rows)
{
    QStringList lines;
    for (const QString &row : rows.split(';')) {
        QStringList cells = row.split(' ');
        cells.replaceInStrings(QRegularExpression("^_$"), QString());
        if (cells.last().startsWith('@')) {
            cells.insert(cells.size() - 1, 9 - cells.size(), QString());
            cells.last().remove(0, 1);
        }
        lines << QString::number(lines.size() + 1) + '\t' + cells.join('\t');
    }
    return lines;
}

QString writeTable(const QTemporaryDir &dir, const QString &rows)
{
    const QString path = dir.filePath("table.txt");
    return test::writeBytes(path, recordLines(rows).join("\r\n").toUtf8() + "\r\n") ? path
                                                                                    : QString();
}

// The value at "key/key/index/..." of a JSON object; "#" after a path asks for an array's size.
QJsonValue valueAt(QJsonValue value, const QString &path)
{
    for (const QString &key : path.split('/')) {
        if (key.endsWith('#'))
            return valueAt(value, key.chopped(1)).toArray().size();
        bool index = false;
        const int i = key.toInt(&index);
        value = index ? value.toArray().at(i) : value.toObject().value(key);
    }
    return value;
}

// "path=value;...": numbers to 1e-9, "null", "undefined" (no such key), true, false or text.
void checkJson(const QJsonObject &json, const QString &expected)
{
    for (const QString &entry : expected.split(';')) {
        const QString path = entry.section('=', 0, 0), want = entry.section('=', 1);
        const QJsonValue got = valueAt(json, path);
        bool number = false;
        const double n = want.toDouble(&number);
        const bool ok = number
            ? got.isDouble() && qAbs(got.toDouble() - n) <= 1e-9 * qMax(1.0, qAbs(n))
            : want == "null"      ? got.isNull()
            : got.isBool()        ? want == (got.toBool() ? "true" : "false")
            : want == "undefined" ? got.isUndefined()
                                  : got.toString() == want;
        QVERIFY2(ok,
                 qPrintable(path + ": "
                            + QJsonDocument(QJsonArray { got }).toJson(QJsonDocument::Compact)));
    }
}

QJsonObject summaryJson(const QString &file, const QString &options)
{
    CommandRun run(QStringList { "summary", file, "--json" }
                   + options.split(' ', Qt::SkipEmptyParts));
    return run.code == 0 ? QJsonDocument::fromJson(run.out().toUtf8()).object() : QJsonObject();
}

} // namespace

class TestSummary : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;

private Q_SLOTS:
    void initTestCase()
    {
        // The windows remember their limits; never in the user's own settings.
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
        QVERIFY(QSettings("Dewscope", "dewscope").fileName().startsWith(m_settings.path()));
        ProgramSettings::name("Dewscope", "dewscope");
    }

    // Hand-worked tables through `summary --json`.
    void figures_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("expected");
        // Intervals 30, 0 (a 2 s step back), 60 (midnight), 60: median (30 + 60) / 2; offsets
        // 0 30 30 90 150; span 150 + 45. Above 13: rows 3 (0 s) and 4 (60 s) and the last
        // ("-OL", inside: no low limit), so 120 s of 195. MKT: see mkt below.
        test::row(
            "day wrap, step back, OL, -OL, high limit only",
            QString("23:59:00 10.0;23:59:30 12.0;23:59:28 14.0;00:00:28 OL;00:01:28 -OL"),
            QString("--temp-limits ,13"),
            QString(
                "records=5;rows_without_time=0;first_time=23:59:00;last_time=00:01:28;"
                "interval_seconds=45;span_seconds=195;temperature_c/count=3;"
                "temperature_c/over_range=1;temperature_c/under_range=1;"
                "temperature_c/missing=0;temperature_c/min=10;"
                "temperature_c/min_time=23:59:00;temperature_c/min_offset=0;"
                "temperature_c/max=14;temperature_c/max_time=23:59:28;"
                "temperature_c/max_offset=30;temperature_c/mean=12;temperature_c/stdev=2;"
                "temperature_c/mkt=12.153817207606778;humidity/missing=5;humidity/min=null;"
                "humidity/stdev=null;limits/temperature_c/low=null;"
                "limits/temperature_c/high=13;limits/temperature_c/seconds_above=120;"
                "limits/temperature_c/seconds_below=0;limits/temperature_c/seconds_missing=0;"
                "limits/temperature_c/percent_outside=61.53846153846154;"
                "limits/temperature_c/excursions#=1;limits/temperature_c/excursions/0/side=above;"
                "limits/temperature_c/excursions/0/start=23:59:28;"
                "limits/temperature_c/excursions/0/start_offset=30;"
                "limits/temperature_c/excursions/0/end=00:01:28;"
                "limits/temperature_c/excursions/0/end_offset=150;"
                "limits/temperature_c/excursions/0/seconds=120;"
                "limits/temperature_c/excursions/0/extreme=OL;limits/humidity=undefined"));
        test::row(
            "one row", QString("10:00:00 20.0 _ _ 50.0"),
            QString("--temp-limits 18,22 --rh-limits 60,"),
            QString(
                "records=1;interval_seconds=0;span_seconds=0;last_time=10:00:00;"
                "temperature_c/stdev=null;temperature_c/mkt=20;limits/humidity/low=60;"
                "limits/humidity/high=null;limits/humidity/seconds_below=0;"
                "limits/humidity/percent_outside=null;limits/humidity/excursions/0/side=below;"
                "limits/humidity/excursions/0/start=10:00:00;"
                "limits/humidity/excursions/0/end=10:00:00;limits/humidity/excursions/0/seconds=0;"
                "limits/humidity/excursions/0/extreme=50;limits/temperature_c/excursions#=0"));
        test::row(
            "two rows, low limit only", QString("10:00:00 20.0;10:00:10 30.0"),
            QString("--temp-limits 25,"),
            QString("interval_seconds=10;span_seconds=20;temperature_c/mean=25;"
                    "temperature_c/stdev=7.0710678118654755;temperature_c/mkt=26.25988691600344;"
                    "limits/temperature_c/seconds_below=10;limits/temperature_c/seconds_above=0;"
                    "limits/temperature_c/percent_outside=50;limits/temperature_c/excursions#=1;"
                    "limits/temperature_c/excursions/0/side=below;"
                    "limits/temperature_c/excursions/0/end=10:00:10;"
                    "limits/temperature_c/excursions/0/seconds=10;"
                    "limits/temperature_c/excursions/0/extreme=20"));
        // 60 s apart: above 12 11 | 5 | below -1 | missing | below -3 | above 15 at the end.
        test::row(
            "excursions at the start and the end, a missing cell inside one",
            QString("00:00:00 12.0;00:01:00 11.0;00:02:00 5.0;00:03:00 -1.0;00:04:00 _;"
                    "00:05:00 -3.0;00:06:00 15.0"),
            QString("--temp-limits 0,10"),
            QString(
                "span_seconds=420;temperature_c/count=6;temperature_c/missing=1;"
                "temperature_c/min=-3;temperature_c/min_time=00:05:00;temperature_c/max=15;"
                "temperature_c/mean=6.5;limits/temperature_c/seconds_above=180;"
                "limits/temperature_c/seconds_below=120;limits/temperature_c/seconds_missing=60;"
                "limits/temperature_c/percent_outside=71.42857142857143;"
                "limits/temperature_c/excursions#=4;limits/temperature_c/excursions/0/"
                "start=00:00:00;"
                "limits/temperature_c/excursions/0/end=00:02:00;"
                "limits/temperature_c/excursions/0/extreme=12;"
                "limits/temperature_c/excursions/1/side=below;"
                "limits/temperature_c/excursions/1/end=00:04:00;"
                "limits/temperature_c/excursions/1/extreme=-1;"
                "limits/temperature_c/excursions/2/start=00:05:00;"
                "limits/temperature_c/excursions/2/extreme=-3;"
                "limits/temperature_c/excursions/3/side=above;"
                "limits/temperature_c/excursions/3/end=00:07:00;"
                "limits/temperature_c/excursions/3/end_offset=420;"
                "limits/temperature_c/excursions/3/extreme=15"));
        // °F column (68 77 77 °F = 20 25 25 °C); intervals 30, 70: median 50, span 150.
        test::row(
            "°F limits, a row without a time, ΔH 60",
            QString("12:00:00 20.0 _ _ _ 68.0;xx:00:00 99.0 _ _ _ 99.0;12:00:30 25.0 _ _ _ 77.0;"
                    "12:01:40 25.0 _ _ _ 77.0"),
            QString("--unit f --temp-limits ,70 --activation-energy 60"),
            QString(
                "records=3;rows_without_time=1;interval_seconds=50;span_seconds=150;"
                "temperature_f/mean=74;temperature_f/max_time=12:00:30;"
                "temperature_f/max_offset=30;temperature_f/mkt=74.36077292619863;"
                "limits/temperature_c=undefined;limits/temperature_f/high=70;"
                "limits/temperature_f/seconds_above=120;limits/temperature_f/percent_outside=80;"
                "limits/temperature_f/excursions/0/start=12:00:30;"
                "limits/temperature_f/excursions/0/end=12:02:30;"
                "limits/temperature_f/excursions/0/end_offset=150;"
                "limits/temperature_f/excursions/0/extreme=77"));
        // Intervals 10 10 40 60 60: median 40, span 180 + 40. Above 10: 00:00:10 for 10 s,
        // 00:01:00 to 00:03:00 for 120 s; at 30 s the first is short, at 10 s it is not.
        const QString runs("00:00:00 5;00:00:10 12;00:00:20 5;00:01:00 12;00:02:00 12;00:03:00 5");
        const QString counted("limits/temperature_c/seconds_above=130;span_seconds=220;"
                              "limits/temperature_c/percent_outside=59.09090909090909;");
        test::row("excursions shorter than 30 s counted, not listed", runs,
                  QString("--temp-limits ,10 --min-excursion 30"),
                  counted
                      + "min_excursion_seconds=30;limits/temperature_c/excursions#=1;"
                        "limits/temperature_c/short_excursions=1;"
                        "limits/temperature_c/excursions/0/start=00:01:00;"
                        "limits/temperature_c/excursions/0/seconds=120");
        test::row("an excursion of just the threshold listed", runs,
                  QString("--temp-limits ,10 --min-excursion 10"),
                  counted
                      + "limits/temperature_c/excursions#=2;"
                        "limits/temperature_c/short_excursions=0");
        // 40 min apart across midnight, 5..10 °C: 23:00 below (2400 s on day 1), 23:40 above
        // (1200 s each side of midnight), 00:20 inside, 01:00 above for the median 2400 s.
        test::row("days split at midnight",
                  QString("23:00:00 4 _ _ 50;23:40:00 12 _ _ 60;00:20:00 6 _ _ 70;"
                          "01:00:00 20 _ _ 80"),
                  QString("--temp-limits 5,10"),
                  QString("days#=2;days/0/day=1;days/0/date=null;days/0/temperature_c/min=4;"
                          "days/0/temperature_c/max=12;days/0/temperature_c/mean=8;"
                          "days/0/humidity/mean=55;days/0/limits/temperature_c/seconds_below=2400;"
                          "days/0/limits/temperature_c/seconds_above=1200;days/1/day=2;"
                          "days/1/temperature_c/min=6;days/1/temperature_c/mean=13;"
                          "days/1/humidity/min=70;days/1/limits/temperature_c/seconds_below=0;"
                          "days/1/limits/temperature_c/seconds_above=3600;"
                          "days/1/limits/temperature_c/seconds_missing=0"));
        // "25,5" splits the line: "1 10:00:00 25", "5 _ _ 50" and "0", the two without a time.
        test::row("a decimal comma", QString("10:00:00 25,5 _ _ 50,0;10:01:00 20.0"), QString(),
                  QString("records=2;rows_without_time=2;rows_split_at_commas=1;"
                          "temperature_c/mean=22.5;humidity/count=0"));
        // sqrt(((1e308 - 0)² + (-1e308 - 0)²) / 1) = sqrt(2) · 1e308
        test::row("values of ±1e308", QString("10:00:00 1e308;10:01:00 -1e308"), QString(),
                  QString("temperature_c/mean=0;temperature_c/stdev=1.4142135623730951e308;"
                          "temperature_c/min=-1e308;rows_split_at_commas=0"));
        test::row("an end past midnight", QString("23:59:00 30.0;23:59:40 30.0"),
                  QString("--temp-limits ,25"),
                  QString("limits/temperature_c/excursions/0/end=00:00:20;"
                          "limits/temperature_c/excursions/0/end_offset=80;dated=false;"
                          "start_date=null;first_datetime=null;gap_seconds=0;gaps#=0"));
        // Dated: the second field (all 12:00:00) is not read. A minute apart over midnight;
        // above 8 from 23:59 until the row after, 00:01.
        const QString day = "12:00:00 %1 @2026-12-0%2T%3+01:00";
        test::row(
            "dated, over midnight",
            day.arg("5.0", "7", "23:58:00") + ';' + day.arg("9.0", "7", "23:59:00") + ';'
                + day.arg("10.0", "8", "00:00:00") + ';' + day.arg("7.0", "8", "00:01:00"),
            QString("--temp-limits ,8 --unit c"),
            QString("dated=true;unit=c;file=@;interval_seconds=60;span_seconds=240;"
                    "first_time=23:58:00;first_datetime=2026-12-07T23:58:00+01:00;"
                    "last_datetime=2026-12-08T00:01:00+01:00;temperature_c/max_time=00:00:00;"
                    "temperature_c/max_datetime=2026-12-08T00:00:00+01:00;"
                    "temperature_c/max_offset=120;limits/temperature_c/seconds_above=120;"
                    "limits/temperature_c/excursions/0/start_datetime=2026-12-07T23:59:00+01:00;"
                    "limits/temperature_c/excursions/0/end_datetime=2026-12-08T00:01:00+01:00;"
                    "limits/temperature_c/excursions/0/end_offset=180;"
                    "limits/temperature_c/excursions/0/extreme=10"));
        // Summer time begins: 01:59 +01:00 is 00:59 UTC, 03:00 +02:00 is 01:00 UTC. A row
        // without a date is left out.
        test::row(
            "dated, summer time begins",
            QString("01:58:00 5 @2026-03-29T01:58:00+01:00;01:59:00 5 @2026-03-29T01:59:00+01:00;"
                    "03:00:00 5;03:00:00 5 @2026-03-29T03:00:00+02:00;"
                    "03:01:00 5 @2026-03-29T03:01:00+02:00"),
            QString(),
            QString("records=4;rows_without_time=1;interval_seconds=60;span_seconds=240;"
                    "gaps#=0;last_time=03:01:00;last_datetime=2026-03-29T03:01:00+02:00"));
        // A minute apart but 8 minutes after 00:02 (a gap over 1.5 x 60 + 4 s): the gap runs
        // from 00:03 (00:02 + the median) to 00:10, 420 s missing; the run above 8 (00:01 to
        // 00:11) is two excursions. Outside 240 s of 840.
        test::row("a gap inside an excursion, with a start date",
                  QString("00:00:00 5;00:01:00 9;00:02:00 10;00:10:00 11;00:11:00 12;00:12:00 5;"
                          "00:13:00 5"),
                  QString("--temp-limits ,8 --start-date 2026-12-07"),
                  QString("dated=false;start_date=2026-12-07;first_datetime=2026-12-07T00:00:00;"
                          "interval_seconds=60;span_seconds=840;gap_seconds=420;gaps#=1;"
                          "gaps/0/start=00:03:00;gaps/0/start_offset=180;"
                          "gaps/0/start_datetime=2026-12-07T00:03:00;gaps/0/end=00:10:00;"
                          "gaps/0/end_offset=600;gaps/0/seconds=420;"
                          "limits/temperature_c/seconds_above=240;"
                          "limits/temperature_c/seconds_missing=420;"
                          "limits/temperature_c/percent_outside=28.571428571428573;"
                          "limits/temperature_c/excursions#=2;"
                          "limits/temperature_c/excursions/0/end=00:03:00;"
                          "limits/temperature_c/excursions/0/seconds=120;"
                          "limits/temperature_c/excursions/0/extreme=10;"
                          "limits/temperature_c/excursions/1/start=00:10:00;"
                          "limits/temperature_c/excursions/1/start_offset=600;"
                          "limits/temperature_c/excursions/1/end_offset=720;"
                          "limits/temperature_c/excursions/1/extreme=12"));
        // A night without records: 20:01 to 10:00 is a step back of over 60 s, the next day:
        // 50340 s, a gap of 50280 s after the median.
        test::row("undated, a night's outage",
                  QString("20:00:00 5;20:01:00 5;10:00:00 5;10:01:00 5"), QString(),
                  QString("interval_seconds=60;span_seconds=50520;gaps/0/start=20:02:00;"
                          "gaps/0/end=10:00:00;gaps/0/end_offset=50400;gaps/0/seconds=50280;"
                          "gaps/0/end_datetime=null;last_time=10:01:00"));
        // Below 0 for three rows: the lowest of them, not the highest, is the extreme.
        test::row("a low run of several rows",
                  QString("00:00:00 5;00:01:00 -1;00:02:00 -4;"
                          "00:03:00 -2;00:04:00 5"),
                  QString("--temp-limits 0,"),
                  QString("limits/temperature_c/excursions#=1;"
                          "limits/temperature_c/excursions/0/extreme=-4;"
                          "limits/temperature_c/excursions/0/seconds=180"));
    }
    void figures()
    {
        QTemporaryDir dir;
        QFETCH(QString, options);
        QFETCH(QString, expected);
        const QString file = writeTable(dir, FETCHED(QString, rows));
        const QJsonObject json = summaryJson(file, options);
        QVERIFY(!json.isEmpty());
        checkJson(json, expected.replace("file=@", "file=" + file));
    }

    // MKT of 20 °C and 30 °C, ΔH/R = 83144 / 8.3144 = 10000 K (worked once in Python):
    //   10000 / -ln((exp(-10000/293.15) + exp(-10000/303.15)) / 2) - 273.15 = 26.25988691600344
    // is above the mean (25): the warm hours weigh more. The rows above use these figures.

    // Every key, exactly.
    void jsonKeys()
    {
        QTemporaryDir dir;
        const QJsonObject json = summaryJson(writeTable(dir, "10:00:00 5 1 2 50;10:01:00 9 1 2 70"),
                                             "--temp-limits 0,8 --rh-limits ,60");
        const QString channel = "count max max_datetime max_offset max_time mean min "
                                "min_datetime min_offset min_time missing over_range stdev "
                                "under_range";
        const auto keys = [](const QJsonValue &v) { return v.toObject().keys().join(' '); };
        QCOMPARE(keys(json),
                 "activation_energy_kj_mol dated days dew_point_c dew_point_f file "
                 "first_datetime first_time gap_seconds gaps humidity interval_seconds "
                 "last_datetime last_time limits min_excursion_seconds records rows_split_at_commas "
                 "rows_without_time span_seconds start_date temperature_c temperature_f unit wet_bulb_c wet_bulb_f");
        QCOMPARE(keys(json["days"][0]), "date day humidity limits temperature_c");
        QCOMPARE(keys(json["days"][0]["limits"]["humidity"]),
                 "seconds_above seconds_below seconds_missing");
        for (const char *c :
             { "humidity", "dew_point_c", "dew_point_f", "wet_bulb_c", "wet_bulb_f" })
            QCOMPARE(keys(json[c]), channel);
        QCOMPARE(keys(json["temperature_f"]),
                 "count max max_datetime max_offset max_time mean min min_datetime min_offset "
                 "min_time missing mkt over_range stdev under_range");
        QCOMPARE(keys(json["limits"]), "humidity temperature_c");
        QCOMPARE(keys(json["limits"]["humidity"]),
                 "excursions high low percent_outside "
                 "seconds_above seconds_below seconds_missing short_excursions");
        QCOMPARE(keys(json["limits"]["temperature_c"]["excursions"][0]),
                 "end end_datetime end_offset extreme seconds side start start_datetime "
                 "start_offset");
    }

    // Bad input: a message and the exit code; an output that was there stays as it was.
    void badInput_data()
    {
        QTest::addColumn<QString>("args"); // TABLE, EMPTY, OLD: files of the test
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        test::row("no file", QString("summary"), 2, QString("give one data FILE"));
        test::row("limit without a comma", QString("summary TABLE --temp-limits 8"), 2,
                  QString("--temp-limits takes LOW,HIGH"));
        test::row("limit not a number", QString("summary TABLE --rh-limits 1x,80"), 2,
                  QString("the limit \"1x\" is not a number"));
        test::row("low above high", QString("summary TABLE --temp-limits 9,8"), 2,
                  QString("the low limit 9 lies above the high limit 8"));
        test::row("threshold not a number", QString("report TABLE --pdf OLD --min-excursion 5s"), 2,
                  QString("--min-excursion takes a number from 0 to"));
        test::row("unit", QString("summary TABLE --unit k"), 2, QString("--unit takes c or f"));
        test::row("start date", QString("summary TABLE --start-date 2026-02-30"), 2,
                  QString("--start-date takes a date YYYY-MM-DD"));
        test::row("start date of a dated table", QString("summary DATED --start-date 2026-12-07"),
                  2, QString("carries its dates"));
        test::row("empty table", QString("report EMPTY --pdf OLD"), 1,
                  QString("holds no record with a readable time"));
        test::row("a device", QString("summary /dev/null"), 1, QString("not a regular file"));
        test::row("no --pdf", QString("report TABLE"), 2, QString("give --pdf OUT"));
        test::row("scale refused", QString("report TABLE --pdf OLD --celsius -30,10"), 2,
                  QString("-20 <= Celsius <= 60, try again!"));
        test::row("the input itself", QString("report TABLE --pdf TABLE"), 1,
                  QString("cannot write"));
        test::row("into a folder", QString("report TABLE --pdf ."), 1, QString("cannot write"));
    }
    void badInput()
    {
        QFETCH(QString, args);
        QTemporaryDir dir;
        const QString table = writeTable(dir, "10:00:00 20.0"), old = dir.filePath("old.pdf");
        QVERIFY(test::writeBytes(old, "old") && test::writeBytes(dir.filePath("empty"), "")
                && test::writeBytes(dir.filePath("dated"),
                                    "1\t10:00:00\t20.0\t\t\t\t\t\t\t"
                                    "2026-12-07T10:00:00+01:00\r\n"));
        QDir::setCurrent(dir.path());
        args.replace("TABLE", table).replace("EMPTY", "empty").replace("OLD", old);
        args.replace("DATED", "dated");
        CommandRun run(args.split(' '));
        QTEST(run.code, "code");
        QVERIFY2(run.err().contains(FETCHED(QString, message)), qPrintable(run.err()));
        QCOMPARE(test::readBytes(old), "old");
        QCOMPARE(test::readBytes(table).left(9), "1\t10:00:0");
    }

    // The page: its text through pdftotext, the plot through pdftoppm.
    void report()
    {
        QTemporaryDir dir;
        // 20 rows a minute apart: temperature 10 .. 29, humidity 50 .. 69 %; 21 .. 25 °C is
        // above 20, 66 .. 69 % above 65.
        QStringList rows;
        for (int i = 0; i < 20; ++i)
            rows << QString("10:%1:00 %2.0 5.0 7.0 %3.0")
                        .arg(i, 2, 10, QChar('0'))
                        .arg(10 + i)
                        .arg(50 + i);
        const QString table = writeTable(dir, rows.join(';')), pdf = dir.filePath("r.pdf");
        CommandRun run({ "report", table, "--pdf", pdf, "--title", "Store room 4", "--temp-limits",
                         ",20", "--rh-limits", ",65", "--celsius", "0,40", "--rh", "0,100",
                         "--location", "Cold room 4, building B" });
        QCOMPARE(run.code, 0);
        const QString page = test::pdfText(pdf, true).simplified();
        // Each page numbered, the reviewer's lines on the last, the bytes read named by the
        // digest sha256sum prints.
        QProcess sum;
        sum.start("sha256sum", { table });
        QVERIFY(sum.waitForFinished() && sum.exitCode() == 0);
        const QString bytes = QString("Read %1 bytes, SHA-256 %2")
                                  .arg(QFileInfo(table).size())
                                  .arg(QString(sum.readAllStandardOutput()).section(' ', 0, 0));
        QCOMPARE(page.count("Page 1 of 2") + page.count("Page 2 of 2"), 2);
        QVERIFY2(page.contains(bytes), qPrintable(bytes));
        QVERIFY(page.indexOf("Page 2 of 2") > page.lastIndexOf("Reviewed by"));
        for (const char *shown :
             { "Store room 4 Cold room 4, building B", "Date ____", "Signature ____",
               "day 1 10.0 29.0 19.50 50.0 69.0 59.50 0:00:00 0:09:00 0:00:00 0:00:00 0:04:00",
               "table.txt", "First 10:00:00", "Last 10:19:00", "Records 20",
               "Interval 0:01:00", "Span 0:20:00",
               "Temperature (°C) 10.0 °C 10:00:00 29.0 °C 10:19:00 19.50 °C",
               "Humidity (%) 50.0 % 10:00:00 69.0 %", "20 / 0 / 0 / 0",
               "Temperature limits: high 20 °C", "Above 0:09:00", "Outside 45.00 % of the span",
               "above 10:11:00 10:20:00 0:09:00 29.0 °C",
               "above 10:16:00 10:20:00 0:04:00 69.0 %" })
            QVERIFY2(page.contains(QString::fromUtf8(shown)), shown);

        // The humidity limit, 65 % of a 0 .. 100 % scale, is the row with the most blue: dashed
        // and dotted, across the plot, with the curves' colours in the plot above the table.
        const QImage image = test::pdfPage(pdf, 150);
        QVERIFY(!image.isNull());
        const auto kind = [&image](int x, int y) {
            const QColor c = image.pixelColor(x, y);
            return c.blue() > 150 && c.red() < 120 && c.green() < 120 ? 'b'
                : c.red() > 150 && c.green() < 120 && c.blue() < 120  ? 'r'
                : c.green() > 150 && c.red() < 120 && c.blue() < 120  ? 'g'
                                                                      : '.';
        };
        int limitRow = 0, most = 0, runs = 0;
        QString colours;
        for (int y = 0; y < image.height(); ++y) {
            QString line;
            for (int x = 0; x < image.width(); ++x)
                line += kind(x, y);
            if (line.count('b') > most)
                most = int(line.count('b')), limitRow = y,
                runs = int(line.split('.', Qt::SkipEmptyParts).size());
            if (y < image.height() / 2)
                colours += line;
        }
        QVERIFY2(most > image.width() / 3 && runs >= 10,
                 qPrintable(QString("%1 %2").arg(most).arg(runs)));
        // 15 mm margin, title block above the plot, 295 pt of plot: the limit lies between.
        QVERIFY2(limitRow > 200 && limitRow < image.height() / 2,
                 qPrintable(QString::number(limitRow)));
        QVERIFY(colours.contains('r') && colours.contains('g'));
    }

    // The report's plot in pixels: missing cells break the curve (never drawn at 0), and
    // limit lines on one pixel row are both drawn, apart, and the legend says so.
    void reportDrawing_data()
    {
        QTest::addColumn<QString>("rows"); // "T RH" of rows a minute apart
        QTest::addColumn<QString>("options");
        QStringList gap, slope;
        for (int i = 0; i < 20; ++i) {
            gap << (i >= 8 && i <= 11 ? "20 _" : "20 80");
            slope << QString("%1 %2").arg(i).arg(60 + i);
        }
        test::row("break", gap.join(';'), QString());
        QStringList many; // more rows than pixel columns
        for (int i = 0; i < 2000; ++i)
            many << (i >= 800 && i < 1200 ? "20 _" : "20 80");
        test::row("break in many rows", many.join(';'), QString());
        // 20 °C of 0 .. 40 and 50 % of 0 .. 100: both half way up.
        test::row("apart", slope.join(';'), QString("--temp-limits ,20 --rh-limits ,50"));
    }
    void reportDrawing()
    {
        QFETCH(QString, options);
        QTemporaryDir dir;
        QStringList rows;
        for (const QString &row : FETCHED(QString, rows).split(';'))
            rows << QString("%1 %2 _ _ %3")
                        .arg(QTime(10, 0).addSecs(10 * int(rows.size())).toString("hh:mm:ss"),
                             row.section(' ', 0, 0), row.section(' ', 1));
        const QString pdf = dir.filePath("r.pdf");
        CommandRun run(QStringList { "report", writeTable(dir, rows.join(';')), "--pdf", pdf,
                                     "--celsius", "0,40", "--rh", "0,100" }
                       + options.split(' ', Qt::SkipEmptyParts));
        QCOMPARE(run.code, 0);
        const QImage image = test::pdfPage(pdf, 150);
        // Blue (humidity) and black (temperature) pixels of a pixel row.
        const auto columns = [&image](int y, bool blue) {
            QList<int> xs;
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (blue ? c.blue() > 150 && c.red() < 120 && c.green() < 120
                         : qMax(c.red(), qMax(c.green(), c.blue())) < 90)
                    xs << x;
            }
            return xs;
        };
        // The plot's row with the most blue; then the one with the most black near it.
        int at[2] = {}, most[2] = {};
        for (int k : { 1, 0 })
            for (int y = k ? 0 : at[1] - 12; y < (k ? image.height() / 2 : at[1] + 12); ++y)
                if (columns(y, k).size() > most[k])
                    most[k] = int(columns(y, k).size()), at[k] = y;
        if (QTest::currentDataTag() == QString("apart")) {
            QVERIFY2(most[0] > image.width() / 3 && most[1] > image.width() / 3
                         && qAbs(at[0] - at[1]) >= 3,
                     qPrintable(QString("%1 %2 at %3 %4").arg(most[0]).arg(most[1]).arg(at[0]).arg(at[1])));
            QVERIFY(test::pdfText(pdf).contains("drawn just below where it meets another"));
            return;
        }
        // The widest stretch without blue on the humidity curve's row: about 5 of the 19
        // steps; no blue in its columns anywhere on the plot.
        const QList<int> curve = columns(at[1], true);
        int from = 0, width = 0;
        for (int i = 1; i < curve.size(); ++i)
            if (curve[i] - curve[i - 1] > width)
                width = curve[i] - curve[i - 1], from = curve[i - 1];
        QVERIFY2(width > image.width() / 8, qPrintable(QString::number(width)));
        for (int y = 0; y < image.height() / 2; ++y)
            for (int x : columns(y, true))
                QVERIFY2(x <= from + 1 || x >= from + width - 1, qPrintable(QString::number(y)));
    }

    // A dated week, a row at noon each day with T = its day's number, above 5 °C from the sixth:
    // each row's 86400 s (the median) split at midnight, half on its day, half on the next.
    void reportWeek()
    {
        QTemporaryDir dir;
        QStringList rows;
        for (int d = 7; d <= 13; ++d)
            rows << QString("12:00:00 %1 _ _ 50 _ _ _ 2026-12-%2T12:00:00+01:00").arg(d - 6).arg(d, 2, 10, QChar('0'));
        const QString table = writeTable(dir, rows.join(';')), pdf = dir.filePath("w.pdf");
        checkJson(summaryJson(table, "--temp-limits ,5"),
                  "days#=8;days/0/date=2026-12-07;days/5/limits/temperature_c/seconds_above=43200;"
                  "days/6/limits/temperature_c/seconds_above=86400;days/7/date=2026-12-14;"
                  "days/7/temperature_c/min=null;days/7/limits/temperature_c/seconds_above=43200");
        QCOMPARE(CommandRun({ "report", table, "--pdf", pdf, "--temp-limits", ",5" }).code, 0);
        const QString page = test::pdfText(pdf, true).simplified();
        for (const char *shown : { "2026-12-07 1.0 1.0 1.00 50.0 50.0 50.00 0:00:00 0:00:00",
                                   "2026-12-13 7.0 7.0 7.00 50.0 50.0 50.00 0:00:00 24:00:00",
                                   "2026-12-14 - - - - - - 0:00:00 12:00:00", "12-13 12:00" })
            QVERIFY2(page.contains(shown), shown);
    }

    // Standard input as the file: named so, and its digest that of the bytes piped in.
    void reportFromStandardInput()
    {
        QTemporaryDir dir;
        const QString table = writeTable(dir, "10:00:00 20.0;10:01:00 21.0"), pdf = dir.filePath("s.pdf");
        QProcess cli;
        cli.setStandardInputFile(table);
        cli.start(DEWSCOPE_CLI, { "report", "-", "--pdf", pdf });
        QVERIFY(cli.waitForFinished(60000) && cli.exitCode() == 0);
        QProcess sum;
        sum.setStandardInputFile(table);
        sum.start("sha256sum", QStringList());
        QVERIFY(sum.waitForFinished());
        const QString page = test::pdfText(pdf).simplified();
        QVERIFY(page.contains("standard input"));
        QVERIFY(page.contains(QString(sum.readAllStandardOutput()).section(' ', 0, 0)));
    }

    // Automatic scales hold what lies beyond -200 .. 1700 °C and 0 .. 100 % at those bounds, so
    // the search ends (it ran for ever before). Worked through the search by hand.
    void scales_data()
    {
        QTest::addColumn<QString>("temperature"); // the °C column's "min,max"; "" none
        QTest::addColumn<QString>("humidity");
        QTest::addColumn<QString>("limits"); // °C limits "low,high"
        QTest::addColumn<QString>("expected"); // minC maxC minRH maxRH
        // 20 .. 1700: 1680 units, a multiple of 8, °F labels 68 + 378 i.
        test::row("a temperature of 1e17", QString("20,1e17"), QString("40,60"), QString(),
                  QString("20 1700 38 62"));
        // 0 .. 1700 needs 1704 units, which stay within 1700 from -4 only (°F step 383.4).
        test::row("limits 0,1e308", QString("18,25"), QString("40,60"), QString("0,1e308"),
                  QString("-4 1700 38 62"));
        // -200 .. 32 (232 units) has the °F label -14.7999878 in floats: 240 units from -200.
        test::row("limits -1e308,30", QString("18,25"), QString(), QString("-1e308,30"),
                  QString("-200 40 0 100"));
        test::row("1e20 only", QString("1e20,1e20"), QString(), QString(),
                  QString("1692 1700 0 100"));
        test::row("humidity of 1e17 %", QString(), QString("40,1e17"), QString(),
                  QString("-20 60 36 100"));
        test::row("freezer, as before", QString("-25,-18"), QString(), QString(),
                  QString("-29 3 0 100"));
    }
    void scales()
    {
        SummaryFigures f;
        for (const auto &[channel, range] :
             { std::pair(SummaryChannel::TemperatureC, FETCHED(QString, temperature)),
               std::pair(SummaryChannel::Humidity, FETCHED(QString, humidity)) }) {
            ChannelFigures &c = f.channels[int(channel)];
            c.count = range.isEmpty() ? 0 : 2;
            c.min = range.section(',', 0, 0).toDouble(), c.max = range.section(',', 1).toDouble();
        }
        const QString limits = FETCHED(QString, limits);
        LimitFigures l; // on the °C column
        l.limits = { limits.section(',', 0, 0).toDouble(), limits.section(',', 1).toDouble() };
        if (!limits.isEmpty())
            f.limits << l;
        const GraphScales s = SummaryReport::fittingScales(f);
        QCOMPARE(QString("%1 %2 %3 %4").arg(s.minC).arg(s.maxC).arg(s.minRH).arg(s.maxRH),
                 FETCHED(QString, expected));
    }

    // The notes under the report's plot, for what would have hung it before.
    void reportNotes_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("note");
        const QString rows = "10:00:00 20.0;10:01:00 25.0";
        test::row("a high limit of 1e308", rows, QString("--temp-limits=0,1e308"),
                  QString("Beyond the scale, drawn at the frame's edge: Temperature high limit "
                          "1e+308 °C."));
        test::row("scales given", rows, QString("--temp-limits=-1e308,30 --celsius=0,40"),
                  QString("edge: Temperature low limit -1e+308 °C."));
        test::row("°F", rows, QString("--unit=f --temp-limits=,1e20"),
                  QString("edge: Temperature high limit 1e+20 °F."));
        test::row("a temperature of 1e17", QString("10:00:00 1e17;10:01:00 20.0"), QString(),
                  QString("edge: Temperature maximum 1e+17 °C."));
        test::row("a decimal comma", QString("10:00:00 25,5 _ _ 50,0;10:01:00 20.0"), QString(),
                  QString("held commas and were read as more than one row each: a decimal"));
    }
    void reportNotes()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath("r.pdf");
        CommandRun run(
            QStringList { "report", writeTable(dir, FETCHED(QString, rows)), "--pdf", pdf }
            + FETCHED(QString, options).split(' ', Qt::SkipEmptyParts));
        QCOMPARE(run.code, 0);
        const QString page = test::pdfText(pdf, true).simplified();
        QVERIFY2(page.contains(FETCHED(QString, note)), qPrintable(page));
    }

    // Summary and report read a file whole; plot and print refuse more rows than a table takes.
    void longFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("long.txt"), out = dir.filePath("out");
        QByteArray rows;
        for (int i = 1; i <= RecordTableModel::MaxRows; ++i)
            rows += QByteArray::number(i) + "\t10:00:00\t20.0\r\n";
        QVERIFY(test::writeBytes(file, rows + "200001\t10:00:01\t55.0\r\n"));
        checkJson(summaryJson(file, ""),
                  "records=200001;temperature_c/max=55;"
                  "temperature_c/max_time=10:00:01;span_seconds=1");
        CommandRun report({ "report", file, "--pdf", out + ".pdf" });
        QCOMPARE(report.code, 0);
        QVERIFY(test::pdfText(out + ".pdf").contains("Records 200001"));
        for (const QStringList &args : { QStringList { "plot", file, "--png", out + ".png" },
                                         QStringList { "print", file, "--pdf", out } }) {
            CommandRun run(args);
            QCOMPARE(run.code, 1);
            QVERIFY2(run.err().contains("holds more than 200000 rows"), qPrintable(run.err()));
            QVERIFY(!QFileInfo::exists(args.last()));
        }
    }

    // The window beside the command: the same figures for the same table, read in parts while
    // rows come; its limits remembered and shown in the main window's unit.
    void window()
    {
        const QString rows = "23:59:00 10.0 3.0 5.0 40.0 50.0 37.4 41.0;23:59:30 12.0 _ _ 45.0;"
                             "23:59:28 14.0;00:00:28 OL;00:01:28 -OL 1.0 2.0 OL";
        QTemporaryDir dir;
        const QString file = writeTable(dir, rows);
        test::ProgramRig rig;
        QVERIFY(rig.startMeter(20, 25));
        rig.ok();
        RecordWindows *windows = rig.mainWindow()->findChild<MainToolbarCommands *>()->windows();
        FileListWindow *list = windows->openFileList("store.txt");
        const QStringList lines = recordLines(rows);
        list->model()->addItem(lines[0]);
        QAction *key = list->keyButton("Summary");
        QVERIFY(key && key == list->toolBar()->actions().last());
        QCOMPARE(key->toolTip(), "Summary (Ctrl+M)");
        QCOMPARE(key->shortcut(), QKeySequence("Ctrl+M"));
        key->trigger();
        auto *summary = list->findChild<SummaryWindow *>();
        QVERIFY(summary && summary->isVisible());
        QCOMPARE(summary->windowTitle(), "Summary - store.txt");
        QTRY_VERIFY(summary->isCurrent() && summary->figures().records == 1);
        auto *high = summary->findChild<QLineEdit *>("temperatureHigh");
        high->setText("13");
        Q_EMIT high->editingFinished();
        for (const QString &line : lines.mid(1))
            list->model()->addItem(line);
        QTRY_VERIFY_WITH_TIMEOUT(summary->isCurrent() && summary->figures().records == 5, 20000);
        QJsonObject json = summaryJson(file, "--temp-limits ,13");
        QCOMPARE(json.take("file").toString(), file);
        json.insert("file", "store.txt");
        QCOMPARE(QJsonDocument(summaryformat::toJson(summary->figures())), QJsonDocument(json));
        // Its table shows what the command prints, row by row.
        CommandRun text({ "summary", file, "--temp-limits", ",13" });
        auto *table = summary->findChild<QTableWidget *>("figures");
        for (int r = 0; r < table->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < 4; ++c)
                cells << QRegularExpression::escape(table->item(r, c)->text());
            const QRegularExpression line("\n *" + table->verticalHeaderItem(r)->text() + " .*"
                                          + cells.join(" +") + "\n");
            QVERIFY2(text.out().contains(line), qPrintable(line.pattern()));
        }
        // "Save Report...": the dialog proposes the table's name; the report is written there.
        QFileDialog *dialog = summary->saveReport();
        QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(), "store.pdf");
        QSignalSpy written(summary, &SummaryWindow::reportWritten);
        dialog->selectFile(dir.filePath("store.pdf"));
        static_cast<QDialog *>(dialog)->accept();
        QVERIFY(written.count() == 1 && written[0][0].toBool());
        QVERIFY(test::readBytes(dir.filePath("store.pdf")).startsWith("%PDF"));

        // Remembered, and in °F when the main window shows °F: 13 °C is 55.4 °F.
        QPointer<SummaryWindow> closed = summary;
        summary->close();
        QTRY_VERIFY(!closed);
        rig.app->state()->celsiusMode = false;
        list->runKey("Summary");
        summary = list->findChild<SummaryWindow *>();
        QTRY_VERIFY(summary && summary->isCurrent());
        QCOMPARE(summary->findChild<QLineEdit *>("temperatureHigh")->text(), "55.4");
        QCOMPARE(summary->findChild<QComboBox *>("temperatureUnit")->currentText(), "°F");
        QCOMPARE(summary->figures().limits.value(0).channel, SummaryChannel::TemperatureF);

        // A running recording's file is never replaced by a report.
        const QString recording = dir.filePath("rec.txt");
        QVERIFY(rig.app->recorder()->startRecording(recording));
        QString error;
        QVERIFY(!summary->writeReport(recording, &error) && !error.isEmpty());
        rig.app->recorder()->stopRecording();
        QVERIFY(QFileInfo::exists(recording) && !test::readBytes(recording).startsWith("%PDF"));
    }
};

QTEST_MAIN(TestSummary)
#include "tst_summary.moc"
