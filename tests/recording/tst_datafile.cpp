#include "meter/LiveFrame.h"
#include "recording/DataFile.h"
#include "recording/DataFileReader.h"

#include <QBuffer>
#include <QTemporaryFile>
#include <QtTest>

using namespace hygrolog;

namespace {
QStringList readAll(const QByteArray &bytes, qint64 budget = -1)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    DataFileReader reader(&buffer);
    QStringList items;
    QString item;
    for (;;) {
        const DataFileReader::Status status = reader.next(&item, budget);
        if (status == DataFileReader::Status::End)
            break;
        if (status == DataFileReader::Status::Item)
            items.append(item);
    }
    return items;
}

// A device that hands out a long stream without holding it in memory.
class RepeatingDevice : public QIODevice
{
public:
    RepeatingDevice(char fill, qint64 size) : m_fill(fill), m_left(size) { }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = qMin(maxSize, m_left);
        memset(data, m_fill, size_t(n));
        m_left -= n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    char m_fill;
    qint64 m_left;
};

// A device whose reads fail.
class FailingDevice : public QIODevice
{
protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64) override { return -1; }
};
} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recorderLineHasNineFieldsNoTrailingTab();
    void gridSaveLineHasTrailingTab();
    void gridSavedLinesReadBackAsSameRows();
    void reader_data();
    void reader();
    void readerGivesSameItemsUnderAnyByteBudget();
    void splitCells_data();
    void splitCells();
    void hugeLineStaysBounded();
    void failingDeviceEndsReading();
};

void TestDataFile::recorderLineHasNineFieldsNoTrailingTab()
{
    Reading reading;
    LiveFrame::decode(reading, QByteArray::fromHex("02800001F403"));
    const QByteArray line = DataFile::recorderLine(35000, QStringLiteral("23:59:58"),
                                                   ReadingTexts::fromReading(reading));
    QCOMPARE(line, QByteArray("35000\t23:59:58\tOL\tOL\tOL\t50.0\tOL\tOL\tOL\r\n"));
}

void TestDataFile::gridSaveLineHasTrailingTab()
{
    QCOMPARE(DataFile::gridSaveLine({ "1", "10:30:00", "25.0" }),
             QByteArray("1\t10:30:00\t25.0\t\r\n"));
    QCOMPARE(DataFile::gridSaveLine({}), QByteArray("\r\n"));
}

void TestDataFile::gridSavedLinesReadBackAsSameRows()
{
    const QStringList row1 = { "1", "10:30:00", "25.0", "13.9", "18.0", "50.0", "77.0", "57.0", "64.4" };
    const QStringList row2 = { "2", "10:31:00", "-OL", "-OL", "-OL", "OL", "-OL", "-OL", "-OL" };
    const QByteArray file = DataFile::gridSaveLine(row1) + DataFile::gridSaveLine(row2);
    const QStringList items = readAll(file);
    QCOMPARE(items.size(), 2);
    QCOMPARE(DataFile::splitCells(items.at(0)), row1);
    QCOMPARE(DataFile::splitCells(items.at(1)), row2);
}

void TestDataFile::reader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("one line, CR LF") << QByteArray("1\ta\r\n") << QStringList { "1\ta" };
    QTest::newRow("last line without end") << QByteArray("a\r\nb") << QStringList { "a", "b" };
    QTest::newRow("LF only") << QByteArray("a\nb\n") << QStringList { "a", "b" };
    QTest::newRow("CR only") << QByteArray("a\rb\r") << QStringList { "a", "b" };
    QTest::newRow("empty line is an empty item")
            << QByteArray("a\r\n\r\nb\r\n") << QStringList { "a", "", "b" };
    QTest::newRow("comma splits a line")
            << QByteArray("1\t10:00:00,5\t20.0\r\n") << QStringList { "1\t10:00:00", "5\t20.0" };
    QTest::newRow("comma at line end gives an empty item")
            << QByteArray("a,\r\nb") << QStringList { "a", "", "b" };
    QTest::newRow("comma at file end") << QByteArray("a,") << QStringList { "a" };
    QTest::newRow("leading blanks skipped, trailing kept")
            << QByteArray("   a b  \r\n") << QStringList { "a b  " };
    QTest::newRow("leading tab kept") << QByteArray("\t1\r\n") << QStringList { "\t1" };
    QTest::newRow("blanks before end of file") << QByteArray("a\r\n   ") << QStringList { "a", "" };
    QTest::newRow("quoted item keeps commas")
            << QByteArray("\"a,b\"\r\nc") << QStringList { "a,b", "c" };
    QTest::newRow("quoted item runs over line ends")
            << QByteArray("\"a\r\nb\",c") << QStringList { "a\r\nb", "c" };
    QTest::newRow("text after closing quote dropped")
            << QByteArray("\"a\"xyz,b\r\n") << QStringList { "a", "b" };
    QTest::newRow("unclosed quote ends at end of file")
            << QByteArray("\"abc\r\ndef") << QStringList { "abc\r\ndef" };
    QTest::newRow("NUL and high bytes kept")
            << QByteArray("a\0b\xE9\xFF\r\n", 7) << QStringList { QString::fromLatin1("a\0b\xE9\xFF", 5) };
}

void TestDataFile::reader()
{
    QFETCH(QByteArray, bytes);
    QTEST(readAll(bytes), "items");
}

void TestDataFile::readerGivesSameItemsUnderAnyByteBudget()
{
    const QByteArray bytes("1\t12:00:00\t20.0\r\n\"q,x\" tail,  2\r3\n\n,4");
    const QStringList whole = readAll(bytes);
    for (qint64 budget : { 1, 2, 3, 7, 64 })
        QCOMPARE(readAll(bytes, budget), whole);
}

void TestDataFile::splitCells_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("nine") << "1\t2\t3\t4\t5\t6\t7\t8\t9" << QStringList { "1", "2", "3", "4", "5", "6", "7", "8", "9" };
    QTest::newRow("trailing tab") << "1\t2\t3\t4\t5\t6\t7\t8\t9\t" << QStringList { "1", "2", "3", "4", "5", "6", "7", "8", "9" };
    QTest::newRow("extra dropped") << "1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11" << QStringList { "1", "2", "3", "4", "5", "6", "7", "8", "9" };
    QTest::newRow("missing empty") << "1\t2" << QStringList { "1", "2", "", "", "", "", "", "", "" };
    QTest::newRow("empty") << "" << QStringList { "", "", "", "", "", "", "", "", "" };
}

void TestDataFile::splitCells()
{
    QFETCH(QString, row);
    QTEST(DataFile::splitCells(row), "cells");
}

void TestDataFile::hugeLineStaysBounded()
{
    // 100 MB without a line end, then one more line: one cut item, then the next.
    RepeatingDevice device('x', 100 * 1024 * 1024);
    device.open(QIODevice::ReadOnly);
    DataFileReader reader(&device);
    QString item;
    QCOMPARE(reader.next(&item), DataFileReader::Status::Item);
    QCOMPARE(item.size(), DataFileReader::MaxItemLength);
    QCOMPARE(reader.next(&item), DataFileReader::Status::End);
    QCOMPARE(reader.bytesConsumed(), qint64(100 * 1024 * 1024));
}

void TestDataFile::failingDeviceEndsReading()
{
    FailingDevice device;
    device.open(QIODevice::ReadOnly);
    DataFileReader reader(&device);
    QString item;
    QCOMPARE(reader.next(&item), DataFileReader::Status::End);
    QVERIFY(reader.hasError());
}

QTEST_APPLESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
