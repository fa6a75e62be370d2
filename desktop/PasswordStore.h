#pragma once

#include <QObject>
#include <QString>

namespace dewscope {

// One password kept for the user: in the system's key store (through QtKeychain) or, where no
// key store answers (a headless machine), in a file that only the user may read (mode 0600).
// Both ways are asynchronous: a key store may ask the user to unlock it first.
class PasswordStore : public QObject
{
    Q_OBJECT

public:
    enum class Place { KeyStore, File, Nowhere };
    Q_ENUM(Place)

    // service and key name the entry in the key store; file is the fallback (empty: none).
    PasswordStore(const QString &service, const QString &key, const QString &file,
                  QObject *parent = nullptr);

    // read() answers with passwordRead(); write() with written(). One job at a time: a call
    // while one runs is ignored.
    void read();
    void write(const QString &password);
    bool isBusy() const { return m_busy; }
    // Where the password was found or written last.
    Place place() const { return m_place; }
    QString file() const { return m_file; }

Q_SIGNALS:
    void passwordRead(const QString &password);
    // error: why it could be kept nowhere; empty on success.
    void written(const QString &error);

private:
    void readFile();
    QString writeFile(const QString &password);

    QString m_service;
    QString m_key;
    QString m_file;
    Place m_place = Place::Nowhere;
    bool m_busy = false;
};

} // namespace dewscope
