#include "memory/MemoryImage.h"
#include "memory/SetLoader.h"
#include "memory/SetRecords.h"
#include "meter/SimulatedMeter.h"
#include "tables/RecordTableModel.h"

#include <QtTest>

using namespace dewscope;

// Mutated and random memory images through the set computation, the record rows and the set
// loader: no crash, no read past the image, every load ends.
class TestMemoryFuzz : public QObject
{
    Q_OBJECT

    // One image of a kind: random bytes, or a valid image cut short, with a wrong slot count,
    // with markers put anywhere or with bytes flipped.
    static QByteArray mutated(QRandomGenerator &random, int kind)
    {
        const int sets = random.bounded(1, 6);
        QByteArray image = SimulatedMeter::makeMemoryImage(sets, random.bounded(0, 40),
                                                           QTime(random.bounded(24), 0), 60);
        const auto at = [&] { return int(random.bounded(qMax<qsizetype>(1, image.size()))); };
        switch (kind) {
        case 0: {
            image.resize(random.bounded(0, 300));
            for (char &byte : image)
                byte = char(random.bounded(256));
            break;
        }
        case 1:
            image.truncate(at());
            break;
        case 2:
            image[8] = char(random.bounded(256));
            image[9] = char(random.bounded(256));
            break;
        case 3:
            for (int i = random.bounded(1, 4); i > 0; --i)
                image.replace(at(), 4, QByteArray(4, '\xFF'));
            break;
        default:
            for (int i = random.bounded(1, 10); i > 0; --i)
                image[at()] = char(random.bounded(256));
        }
        return image;
    }

private Q_SLOTS:
    void images_data()
    {
        QTest::addColumn<int>("kind");
        int kind = 0;
        for (const char *name : { "random", "cut short", "slot count", "markers", "flipped" })
            QTest::newRow(name) << kind++;
    }
    void images()
    {
        QFETCH(int, kind);
        QRandomGenerator random(quint32(20261206 + kind));
        RecordTableModel model;
        Reading reading;
        ReadingTexts texts;
        for (int round = 0; round < 400; ++round) {
            const QByteArray image = mutated(random, kind);
            MemorySets sets;
            if (MemoryImage::computeSets(image, &sets) != MemoryImage::Fault::None)
                continue;
            QVERIFY(sets.setRecordCount >= 1 && sets.setCount >= 0);
            for (const int set : { 0, 1, sets.setCount, int(random.bounded(1, sets.setCount + 2)),
                                   sets.setCount + 1 }) {
                const SetRecords records(image, sets, set);
                QVERIFY(records.available() >= 0 && records.available() <= records.count());
                QVERIFY(records.available() == 0
                        || sets.firstRecordOffset(set) + 4 * records.available() <= image.size());
                QVERIFY(records.row(records.available() + 1, reading, texts).isEmpty());
                if (round % 20 != 0 || records.available() == 0)
                    continue;
                model.setRows(1);
                SetLoader loader(&model, records, &reading, &texts);
                QSignalSpy finished(&loader, &SetLoader::finished);
                loader.start();
                QVERIFY(finished.wait(5000));
                QCOMPARE(model.rows() - 1, records.available());
                QCOMPARE(finished.at(0).at(0).toBool(), records.missing() == 0);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestMemoryFuzz)
#include "tst_memory_fuzz.moc"
