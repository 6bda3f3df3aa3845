#pragma once

#include "rewrite/SSEEvent.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>
#include <vector>

namespace velto {

// Cuts a server-sent event stream into events. A block ends at the first blank line (LF LF or
// CR LF CR LF); a block that is not UTF-8 or carries no data is dropped. Chunks are scanned for
// line feeds with memchr and an event is built only when its block ends; how the stream is split
// into chunks never changes the events.
class SSEParser
{
public:
    // A block longer than this means the peer never ends its blocks; the caller gives up on the
    // stream instead of buffering without bound.
    static constexpr qsizetype maxBlockSize = 1 << 20;

    QList<SSEEvent> append(char byte);
    // The events of every block the chunk completes, in order. Once a block grows past
    // maxBlockSize, keeps at most that much of it and reads nothing more.
    QList<SSEEvent> append(QByteArrayView bytes);
    // The event made from what is left, treated as a complete block; empties the buffer.
    QList<SSEEvent> finish();

    bool blockTooLarge() const { return m_buffer.size() > maxBlockSize; }

    static std::optional<SSEEvent> parseBlock(QByteArrayView block);

private:
    // `lineFeeds`: every line feed of the block, when the search for its end found them.
    // `writableBlock`: the block's bytes when they may be overwritten (they are then the
    // parser's own), so joining data lines needs no copy.
    static std::optional<SSEEvent>
    parseBlock(QByteArrayView block, const std::vector<qsizetype>* lineFeeds, char* writableBlock);

    // The open block: bytes after the last separator.
    QByteArray m_buffer;
    // Where in m_buffer the search for line feeds goes on; before it no separator starts.
    qsizetype m_scanFrom = 0;
    // Where the open block's lines end, up to m_scanFrom.
    std::vector<qsizetype> m_lineFeeds;
};

} // namespace velto
