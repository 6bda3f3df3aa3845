#pragma once

#include "rewrite/SSEEvent.h"

#include <QByteArray>
#include <QList>
#include <optional>

namespace velto {

// Cuts a server-sent event stream into events, fed one byte at a time. A block ends at the first
// blank line (LF LF or CR LF CR LF); a block that is not UTF-8 or carries no data is dropped.
// Work per byte is constant: only the bytes that can complete a separator are looked at.
class SSEParser
{
public:
    // A block longer than this means the peer never ends its blocks; the caller gives up on the
    // stream instead of buffering without bound.
    static constexpr qsizetype maxBlockSize = 1 << 20;

    QList<SSEEvent> append(char byte);
    // Feeds a whole chunk, byte by byte; the events of every block it completes, in order.
    // Stops early, leaving the rest unread, once the open block is too large.
    QList<SSEEvent> append(const QByteArray& bytes);
    // The event made from what is left, treated as a complete block; empties the buffer.
    QList<SSEEvent> finish();

    bool blockTooLarge() const { return m_buffer.size() > maxBlockSize; }

    static std::optional<SSEEvent> parseBlock(const QString& block);

private:
    std::optional<SSEEvent> takeBlock(qsizetype separatorLength);

    QByteArray m_buffer;
};

} // namespace velto
