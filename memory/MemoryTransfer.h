#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

namespace dewscope {

class MemoryImage;
class MeterLink;

// Receives the meter's memory after the poll has read its download announcement: waits half a
// second for the data to start, empties the image, then takes every block the link receives
// (on its bytesArrived, never by waiting in a loop) until the header's slot count says the
// image is whole. The slot count and interval are read once 14 bytes are in, whether they came
// in the first block or later. Bytes beyond the expected length in the last block stay in the
// image.
//
// A transfer during which no byte arrives for the stall limit ends incomplete, keeping what
// arrived.
class MemoryTransfer : public QObject
{
    Q_OBJECT

public:
    static constexpr int SettleMs = 500;
    static constexpr int DefaultStallLimitMs = 10000;

    MemoryTransfer(MeterLink *link, MemoryImage *image, QObject *parent = nullptr);

    void setStallLimit(int milliseconds) { m_stall.setInterval(qMax(1, milliseconds)); }
    // Starts a download; false while one runs.
    bool start();
    bool isRunning() const { return m_phase != Phase::Idle; }

    // Bytes in the image, counted up to the expected length; -1 while that is not known.
    qint64 received() const;
    qint64 expectedLength() const { return m_expected; }

    // "37.5% Loaded": the share received, one decimal.
    static QString progressCaption(qint64 received, qint64 expected);
    // What the user is told when a transfer ended incomplete.
    QString incompleteMessage() const;

Q_SIGNALS:
    // The main window's caption while the download runs.
    void progress(const QString &caption);
    // The image is whole (complete), or the meter fell silent before (the bytes that came are
    // in the image).
    void finished(bool complete);

private:
    enum class Phase { Idle, Settling, Receiving };

    void takeBlock();
    void finish(bool complete);

    QPointer<MeterLink> m_link;
    MemoryImage *m_image;
    QTimer m_settle;
    QTimer m_stall;
    Phase m_phase = Phase::Idle;
    qint64 m_expected = -1;
};

} // namespace dewscope
