#pragma once

#include "tests/common/TestData.h"
#include <QDir>
#include <QFile>
#include <QProcess>

#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

namespace dewscope::test {

// Debian's mosquitto broker in a folder of its own: a listener on a free port of 127.0.0.1 for
// anonymous clients and, given its settings, a second one (a password file, TLS); persistence
// on, so that a stopped and restarted broker keeps the sessions and messages of lasting
// subscribers. Started as root the broker becomes the unprivileged user mosquitto: the folder
// is opened to it for reading and its data folder given to it.
struct BrokerRig
{
    QTemporaryDir dir;
    QProcess broker;
    QByteArray log;
    int port = freePort();
    int securePort = freePort();

    static int freePort()
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        return server.serverPort();
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    // Starts the broker and waits until it runs. The first start writes the configuration, with
    // the second listener's settings (@DIR standing for the folder).
    bool start(QString secondListener = QString())
    {
        const QString data = path(QStringLiteral("data"));
        if (QDir().mkdir(data)) {
            QFile::setPermissions(dir.path(), QFile::Permissions(0x7711));
            if (const passwd *user = ::geteuid() == 0 ? ::getpwnam("mosquitto") : nullptr)
                [[maybe_unused]]
                const int changed = ::chown(qPrintable(data), user->pw_uid, user->pw_gid);
            const QString config("per_listener_settings true\npersistence true\n"
                                 "persistence_location %1/\nlistener %2 127.0.0.1\n"
                                 "allow_anonymous true\nlistener %3 127.0.0.1\n%4\n");
            writeBytes(path("broker.conf"),
                       config
                           .arg(data, QString::number(port), QString::number(securePort),
                                secondListener.replace("@DIR", dir.path()))
                           .toUtf8());
        }
        log.clear();
        broker.setProcessChannelMode(QProcess::MergedChannels);
        broker.start(QStringLiteral("/usr/sbin/mosquitto"), { "-c", path("broker.conf") });
        return QTest::qWaitFor(
                   [&] {
                       log += broker.readAll();
                       return log.contains(" running") || broker.state() == QProcess::NotRunning;
                   },
                   20000)
            && broker.state() == QProcess::Running;
    }

    // SIGTERM: the broker saves its sessions and ends.
    void stop()
    {
        broker.terminate();
        broker.waitForFinished(20000);
    }

    ~BrokerRig() { stop(); }
};

} // namespace dewscope::test
