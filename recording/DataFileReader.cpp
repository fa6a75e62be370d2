#include "recording/DataFileReader.h"

#include <QCryptographicHash>
#include <QIODevice>

namespace dewscope {

namespace {
constexpr qint64 ChunkSize = 64 * 1024;
}

DataFileReader::DataFileReader(QIODevice *device) : m_device(device) { }

bool DataFileReader::fill()
{
    if (m_pos < m_buffer.size())
        return true;
    if (m_eof)
        return false;
    m_buffer.resize(ChunkSize);
    const qint64 n = m_device ? m_device->read(m_buffer.data(), ChunkSize) : -1;
    if (n <= 0) {
        m_buffer.clear();
        m_eof = true;
        m_error = n < 0;
        return false;
    }
    m_buffer.resize(n);
    m_pos = 0;
    m_read += n;
    if (m_hash)
        m_hash->addData(m_buffer);
    return true;
}

void DataFileReader::append(char c)
{
    if (m_item.size() < MaxItemLength)
        m_item.append(c);
}

DataFileReader::Status DataFileReader::finish(QString *item)
{
    *item = QString::fromLatin1(m_item);
    m_item.clear();
    return Status::Item;
}

DataFileReader::Status DataFileReader::next(QString *item, qint64 byteBudget)
{
    qint64 budget = byteBudget;
    for (;;) {
        if (!fill()) {
            // End of file: an item under way ends here; none is started at the very end.
            if (m_state == State::Start || m_state == State::AfterCR) {
                m_state = State::Start;
                return Status::End;
            }
            m_state = State::Start;
            m_endedAtComma = false;
            return finish(item);
        }
        if (budget == 0)
            return Status::Pending;
        if (budget > 0)
            --budget;

        const char c = m_buffer.at(m_pos);
        switch (m_state) {
        case State::AfterCR:
            // A LF right after a CR belongs to the same line end.
            if (c == '\n') {
                ++m_pos;
                ++m_consumed;
            }
            m_state = State::Start;
            continue;
        case State::Start:
        case State::Blanks:
            if (c == ' ') {
                m_state = State::Blanks;
                break;
            }
            if (c == '"') {
                m_state = State::Quoted;
                break;
            }
            m_state = State::Plain;
            continue; // look at this byte again as part of the item
        case State::Plain:
        case State::AfterQuote:
            if (c == ',' || c == '\r' || c == '\n') {
                m_endedAtComma = c == ',';
                ++m_pos;
                ++m_consumed;
                m_state = c == '\r' ? State::AfterCR : State::Start;
                return finish(item);
            }
            if (m_state == State::Plain)
                append(c);
            break;
        case State::Quoted:
            if (c == '"')
                m_state = State::AfterQuote;
            else
                append(c);
            break;
        }
        ++m_pos;
        ++m_consumed;
    }
}

} // namespace dewscope
