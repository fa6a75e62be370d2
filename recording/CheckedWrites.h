#pragma once

#include <QIODevice>
#include <QPointer>
#include <QString>

namespace dewscope {

// A write-only device that passes every write on to another one and counts the bytes it took.
// The first write that the other device takes only in part or refuses ends the writing: the
// rest of that write is tried once more (a file then tells why, "File too large", "No space
// left on device"), and from then on every write fails. A file device that takes part of a
// write sets no error, so whoever writes a whole file through it (a PDF writer, an image
// writer, our own code) cannot cut it short unnoticed.
class CheckedWrites : public QIODevice
{
    Q_OBJECT

public:
    explicit CheckedWrites(QIODevice *target, QObject *parent = nullptr);

    // The bytes the device has taken.
    qint64 written() const { return m_written; }
    bool failed() const { return m_failed; }
    // Why the writing failed: the system's reason where it gave one; empty while it has not.
    QString reason() const { return m_reason; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    QPointer<QIODevice> m_target;
    qint64 m_written = 0;
    bool m_failed = false;
    QString m_reason;
};

} // namespace dewscope
