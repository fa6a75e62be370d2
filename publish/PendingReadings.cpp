#include "publish/PendingReadings.h"

#include <algorithm>

namespace dewscope {

void PendingReadings::push(const QByteArray &payload, bool late)
{
    m_entries.push_back({ payload, -1, late });
    m_late += late ? 1 : 0;
    if (int(m_entries.size()) <= m_capacity)
        return;
    if (m_handed > 0)
        --m_handed;
    m_late -= m_entries.front().late ? 1 : 0;
    m_entries.pop_front();
    ++m_dropped;
}

const QByteArray *PendingReadings::nextToHand(int window) const
{
    if (m_handed >= window || m_handed >= int(m_entries.size()))
        return nullptr;
    return &m_entries[size_t(m_handed)].payload;
}

void PendingReadings::markHanded(int messageId)
{
    m_entries[size_t(m_handed++)].messageId = messageId;
}

bool PendingReadings::acknowledge(int messageId, bool *late)
{
    const auto end = m_entries.begin() + m_handed;
    const auto found = std::find_if(
        m_entries.begin(), end, [&](const Entry &entry) { return entry.messageId == messageId; });
    if (found == end)
        return false;
    *late = found->late;
    m_late -= found->late ? 1 : 0;
    m_entries.erase(found);
    --m_handed;
    return true;
}

void PendingReadings::connectionLost()
{
    for (int i = 0; i < m_handed; ++i) {
        Entry &entry = m_entries[size_t(i)];
        entry.messageId = -1;
        m_late += entry.late ? 0 : 1;
        entry.late = true;
    }
    m_handed = 0;
}

} // namespace dewscope
