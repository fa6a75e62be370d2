#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QTimer>

namespace dewscope {

class MemoryImage;
class MeterLink;

// Receives the meter's memory after the poll has read its download announcement: waits half a
// second for the data to start, then takes every block the link receives (on its bytesArrived,
// never by waiting in a loop) until the header's slot count says the image is whole. The image
// starts with the first byte after the announcement, also when that byte came in the same read
// as the announcement. The slot count and interval are read once bytes 9 and 10 are in. The image
// ends at the expected length: bytes that follow it in the last block are none of it.
//
// A memory comes at line speed, about 960 bytes a second, without a pause; live frames come a
// few a second. Before the first byte of the image the transfer waits up to the stall limit.
// From the first byte on, the rate is judged at each read (after taking what waits) and when a
// second has passed without one: once a second has passed since the first byte, a transfer that
// has received fewer than 240 bytes in the last second ends incomplete, and the image ends after
// the last read that came before that second, so that live frames never pass for records. A
// transfer also ends incomplete when its expected length / 960 s x 1.5 + 5 s have passed since
// its first byte.
class MemoryTransfer : public QObject
{
    Q_OBJECT

public:
    static constexpr int SettleMs = 500;
    static constexpr int DefaultStallLimitMs = 10000;
    static constexpr int LineBytesPerSecond = 960;
    static constexpr int RateWindowMs = 1000;
    static constexpr int RateWindowLeastBytes = 240;

    // How a transfer ended.
    enum class End { Complete, MeterStopped, TooSlow, StoppedByUser, PortLost };

    MemoryTransfer(MeterLink *link, MemoryImage *image, QObject *parent = nullptr);

    // How long the transfer waits for the first byte of the image.
    void setStallLimit(int milliseconds) { m_stall.setInterval(qMax(1, milliseconds)); }
    // Starts a download; imageStart holds the bytes that came after the announcement in its
    // read. False while one runs.
    bool start(const QByteArray &imageStart = QByteArray());
    // The user ends the transfer: it ends incomplete with what has arrived.
    void stop();
    bool isRunning() const { return m_phase != Phase::Idle; }
    End end() const { return m_end; }

    // Bytes in the image, counted up to the expected length; -1 while that is not known.
    qint64 received() const;
    qint64 expectedLength() const { return m_expected; }
    // The longest a transfer of that many bytes may take from its first byte.
    static qint64 timeLimitMs(qint64 expectedLength);

    // "37.5% Loaded": the share received, one decimal.
    static QString progressCaption(qint64 received, qint64 expected);
    // What the user is told when a transfer ended incomplete: what arrived, why it ended, and
    // how many sets arrived whole.
    QString incompleteMessage() const;

Q_SIGNALS:
    // The main window's caption while the download runs.
    void progress(const QString &caption);
    // The image is whole (complete), or the transfer ended before (the bytes that came are in
    // the image; end() says why).
    void finished(bool complete);

private:
    enum class Phase { Idle, Settling, Receiving };

    void takeBlock();
    void append(const QByteArray &block);
    void judgeRate();
    void quietSecond();
    void finish(End end);

    QPointer<MeterLink> m_link;
    MemoryImage *m_image;
    QTimer m_settle;
    QTimer m_stall; // waiting for the first byte
    QTimer m_quiet; // a second after the last read
    QTimer m_limit; // the time limit of the whole image
    QElapsedTimer m_clock; // from the first byte of the image
    // Each read since the first byte that may still matter: when it came, the image size after
    // it.
    QList<QPair<qint64, qint64>> m_reads;
    bool m_lateChecked = false;
    Phase m_phase = Phase::Idle;
    End m_end = End::Complete;
    qint64 m_expected = -1;
};

} // namespace dewscope
