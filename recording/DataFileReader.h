#pragma once

#include <QByteArray>
#include <QString>

class QCryptographicHash;
class QIODevice;

namespace dewscope {

// Reads a data file item by item with list-input rules:
// - an item ends at the end of a line (CR LF, a lone CR or a lone LF);
// - a comma also ends it, and the rest of the line becomes the next item;
// - leading blanks of an item are skipped;
// - an item that begins with a double quote runs to the closing quote (line ends included);
//   what follows the closing quote up to the next comma or line end is dropped.
// Any bytes are accepted (read as Latin-1). An item longer than MaxItemLength characters is
// cut there, the rest of it being read and dropped, so a file of any size or shape is read in
// bounded memory.
class DataFileReader
{
public:
    enum class Status {
        Item, // *item holds the next item
        Pending, // the byte budget ran out inside an item: call again
        End // no more items (end of file, or the device failed)
    };

    static constexpr int MaxItemLength = 64 * 1024;

    explicit DataFileReader(QIODevice *device);

    // Reads on to the end of the next item, looking at no more than byteBudget bytes
    // (no limit when negative).
    Status next(QString *item, qint64 byteBudget = -1);

    // True when the last item ended at a comma: the next one comes from the same line.
    bool endedAtComma() const { return m_endedAtComma; }

    // True when the device reported a read error.
    bool hasError() const { return m_error; }
    qint64 bytesConsumed() const { return m_consumed; }
    // Every byte taken from the device also goes into hash (none by default).
    void setHash(QCryptographicHash *hash) { m_hash = hash; }
    qint64 bytesRead() const { return m_read; }

private:
    enum class State { Start, Blanks, Plain, Quoted, AfterQuote, AfterCR };

    bool fill();
    void append(char c);
    Status finish(QString *item);

    QIODevice *m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_consumed = 0;
    qint64 m_read = 0;
    QCryptographicHash *m_hash = nullptr;
    bool m_eof = false;
    bool m_error = false;
    bool m_endedAtComma = false;
    State m_state = State::Start;
    QByteArray m_item;
};

} // namespace dewscope
