#pragma once

#include <QByteArray>

#include <deque>

namespace dewscope {

// The readings not yet acknowledged by the broker, oldest first, at most capacity of them: one
// more pushes out the oldest, which is counted as dropped. They are handed over in order, a
// window at a time; those handed over form the front of the queue until acknowledged.
class PendingReadings
{
public:
    explicit PendingReadings(int capacity)
        : m_capacity(capacity)
    {
    }

    // late: taken while the broker was away.
    void push(const QByteArray &payload, bool late);
    // The oldest reading not yet handed over while fewer than window are; null otherwise.
    const QByteArray *nextToHand(int window) const;
    // The reading nextToHand() gave went out under that message id.
    void markHanded(int messageId);
    // Removes the reading of that id; false when none has it.
    bool acknowledge(int messageId, bool *late);
    // The connection ended: the readings in flight are handed over again, late.
    void connectionLost();

    int size() const { return int(m_entries.size()); }
    qint64 dropped() const { return m_dropped; }
    bool hasLate() const { return m_late > 0; }

private:
    struct Entry
    {
        QByteArray payload;
        int messageId = -1;
        bool late = false;
    };

    std::deque<Entry> m_entries;
    int m_capacity;
    int m_handed = 0;
    qint64 m_dropped = 0;
    int m_late = 0; // entries marked late
};

} // namespace dewscope
