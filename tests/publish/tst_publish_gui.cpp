#include "app/PublishCommands.h"
#include "desktop/PasswordStore.h"
#include "desktop/ProgramSettings.h"
#include "publish/PublishDialog.h"
#include "publish/PublishSettings.h"
#include "tests/common/BrokerRig.h"
#include "tests/common/ProgramRig.h"
#include "tests/common/TestData.h"

#include <QLabel>
#include <QtTest>
#include <QtWidgets>

using namespace dewscope;

// The window publishing the meter it shows: settings and password (in the file, as where no
// key store answers) from a temporary settings folder, a broker that wants the password, and
// mosquitto_sub listening on its other port.
class TestPublishGui : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;

private Q_SLOTS:
    void initTestCase()
    {
        // No session bus, so no key store answers: the user's own is never touched.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/dewscope-test-bus");
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        ProgramSettings::name("Dewscope-test", "dewscope");
    }

    void passwordFile_data()
    {
        QTest::addColumn<bool>("before"); // a file readable by all is there before
        QTest::newRow("new file") << false;
        QTest::newRow("over a readable file") << true;
    }

    // Where no key store answers, the password goes into a file only its owner may read, and
    // comes back from there.
    void passwordFile()
    {
        const QString file = m_config.filePath(QTest::currentDataTag());
        QVERIFY(!FETCHED(bool, before)
                || (test::writeBytes(file, "old")
                    && QFile::setPermissions(file, QFile::Permissions(0x6644))));
        PasswordStore store("Dewscope-test", "mqtt-password", file);
        QSignalSpy written(&store, &PasswordStore::written);
        QSignalSpy read(&store, &PasswordStore::passwordRead);
        store.write("pässword 2");
        QVERIFY(written.wait(20000) && written.at(0).at(0).toString().isEmpty());
        QCOMPARE(int(QFile::permissions(file) & 0x60ff), 0x6000); // rw for the owner alone
        store.read();
        QVERIFY(read.wait(20000));
        QCOMPARE(read.at(0).at(0).toString(), QString("pässword 2"));
        QCOMPARE(store.place(), PasswordStore::Place::File);
    }

    void publishesFromWindow()
    {
        test::BrokerRig broker;
        const QString script("cd '%1' && mosquitto_passwd -b -c passwords meter s3cret && chmod "
                             "644 passwords");
        QCOMPARE(QProcess::execute("sh", { "-c", script.arg(broker.dir.path()) }), 0);
        QVERIFY(broker.start("password_file @DIR/passwords"));
        QProcess sub;
        sub.start("mosquitto_sub",
                  { "-p", QString::number(broker.port), "-t", "dewscope/#", "-v" });
        PublishSettings settings;
        settings.enabled = true;
        settings.host = "127.0.0.1";
        settings.port = broker.securePort;
        settings.username = "meter";
        settings.name = "bench-2";
        settings.intervalSeconds = 0;
        settings.save(*ProgramSettings::open());
        const QString passwordFile = m_config.filePath("Dewscope-test/dewscope-mqtt-password");
        QVERIFY(test::writeBytes(passwordFile, "s3cret"));

        test::ProgramRig rig;
        QVERIFY(rig.startMeter(21.5, 40));
        rig.ok();
        QString seen;
        const auto sees = [&](const QString &line) {
            return QTest::qWaitFor([&] { return (seen += sub.readAll()).contains(line); }, 30000);
        };
        const auto onlines = [&] {
            seen += sub.readAll();
            return seen.count("availability online");
        };
        QVERIFY(sees("dewscope/bench-2/availability online"));
        QVERIFY2(sees("dewscope/bench-2/state {\"time\""), qPrintable(seen));
        QVERIFY(seen.contains("\"temperature_c\":21.5,\"humidity\":40.0"));
        QVERIFY(QTest::qWaitFor(
            [&] { return rig.mainWindow()->lblPublish()->text().startsWith("MQTT: connected"); }));

        // The dialog says where the password is, and OK keeps the settings.
        rig.mainWindow()->runToolbarKey("Publish");
        QVERIFY(QTest::qWaitFor([&] { return rig.app->publishing()->dialog(); }));
        PublishDialog *dialog = rig.app->publishing()->dialog();
        QVERIFY(dialog->findChild<QLabel *>("PasswordPlace")->text().contains(passwordFile));
        QCOMPARE(dialog->password(), QString("s3cret"));
        dialog->accept(); // publishing starts anew
        QCOMPARE(PublishSettings::load(*ProgramSettings::open()).name, QString("bench-2"));
        QVERIFY(QTest::qWaitFor([&] { return onlines() == 2; }, 30000));

        QSignalSpy finished(rig.app.get(), &Application::finished);
        seen.clear();
        rig.mainWindow()->close();
        QVERIFY(finished.wait(20000));
        QVERIFY2(sees("dewscope/bench-2/availability offline"), qPrintable(seen));
        QVERIFY(PublishSettings::load(*ProgramSettings::open()).enabled);
        sub.kill();
        sub.waitForFinished();
    }
};

QTEST_MAIN(TestPublishGui)
#include "tst_publish_gui.moc"
