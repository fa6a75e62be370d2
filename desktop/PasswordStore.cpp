#include "desktop/PasswordStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <qt6keychain/keychain.h>

namespace dewscope {

PasswordStore::PasswordStore(const QString &service, const QString &key, const QString &file,
                             QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_key(key)
    , m_file(file)
{
}

void PasswordStore::read()
{
    if (m_busy)
        return;
    m_busy = true;
    auto *job = new QKeychain::ReadPasswordJob(m_service, this);
    job->setKey(m_key);
    job->setAutoDelete(true);
    connect(job, &QKeychain::Job::finished, this, [this, job] {
        m_busy = false;
        // An entry in the key store wins; a key store with none may still have a file from a
        // time it did not answer.
        if (job->error() == QKeychain::NoError) {
            m_place = Place::KeyStore;
            Q_EMIT passwordRead(job->textData());
        } else if (job->error() == QKeychain::EntryNotFound && !QFile::exists(m_file)) {
            m_place = Place::KeyStore;
            Q_EMIT passwordRead(QString());
        } else {
            readFile();
        }
    });
    job->start();
}

void PasswordStore::readFile()
{
    QFile in(m_file);
    m_place = in.open(QIODevice::ReadOnly) ? Place::File : Place::Nowhere;
    Q_EMIT passwordRead(QString::fromUtf8(in.readAll()));
}

void PasswordStore::write(const QString &password)
{
    if (m_busy)
        return;
    m_busy = true;
    auto *job = new QKeychain::WritePasswordJob(m_service, this);
    job->setKey(m_key);
    job->setAutoDelete(true);
    job->setTextData(password);
    connect(job, &QKeychain::Job::finished, this, [this, job, password] {
        m_busy = false;
        QString error;
        if (job->error() == QKeychain::NoError) {
            m_place = Place::KeyStore;
            QFile::remove(m_file); // no copy left behind in a file
        } else {
            error = writeFile(password);
            m_place = error.isEmpty() ? Place::File : Place::Nowhere;
            if (!error.isEmpty())
                error = QStringLiteral("%1 (the key store: %2)").arg(error, job->errorString());
        }
        Q_EMIT written(error);
    });
    job->start();
}

QString PasswordStore::writeFile(const QString &password)
{
    if (m_file.isEmpty())
        return QStringLiteral("no file for the password");
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    QSaveFile out(m_file);
    // Owner only before the first byte is written.
    if (!out.open(QIODevice::WriteOnly) || !out.setPermissions(QFile::ReadOwner | QFile::WriteOwner)
        || out.write(password.toUtf8()) != password.toUtf8().size() || !out.commit())
        return QStringLiteral("cannot write %1: %2").arg(m_file, out.errorString());
    return QString();
}

} // namespace dewscope
