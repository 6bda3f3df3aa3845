#include "rewrite/SSEParser.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace velto {

namespace {

QByteArrayView trimSpacesAndTabs(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.sliced(begin, end - begin);
}

// The position of `c` in data[from, size), or `size`.
qsizetype find(const char* data, qsizetype from, qsizetype size, char c)
{
    if (from >= size)
        return size;
    const void* hit = std::memchr(data + from, c, size_t(size - from));
    return hit ? static_cast<const char*>(hit) - data : size;
}

template <qsizetype N> bool startsWith(QByteArrayView line, const char (&prefix)[N])
{
    return line.size() >= N - 1 && std::memcmp(line.data(), prefix, N - 1) == 0;
}

// A word at a time: most streams are ASCII, and then no UTF-8 decoding is needed to
// know the block is valid.
bool isAscii(QByteArrayView bytes)
{
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    // Four independent words per round, so the loads do not wait on one another.
    std::uint64_t high[4] = {};
    for (; end - p >= 32; p += 32) {
        for (int i = 0; i < 4; ++i) {
            std::uint64_t word;
            std::memcpy(&word, p + 8 * i, 8);
            high[i] |= word;
        }
    }
    std::uint64_t all = high[0] | high[1] | high[2] | high[3];
    for (; p < end; ++p)
        all |= static_cast<unsigned char>(*p);
    return (all & 0x8080808080808080u) == 0;
}

} // namespace

QList<SSEEvent> SSEParser::append(char byte)
{
    return append(QByteArrayView(&byte, 1));
}

QList<SSEEvent> SSEParser::append(QByteArrayView bytes)
{
    QList<SSEEvent> events;
    if (bytes.isEmpty() || blockTooLarge())
        return events;

    // With no open block the chunk is scanned where it lies; only its unfinished tail is copied.
    const bool inBuffer = !m_buffer.isEmpty();
    if (inBuffer) {
        // Grow by doubling: appending alone reallocates to the exact size each time.
        const qsizetype needed = m_buffer.size() + bytes.size();
        if (m_buffer.capacity() < needed)
            m_buffer.reserve(std::max(needed, 2 * m_buffer.capacity()));
        m_buffer.append(bytes);
    }
    const char* data = inBuffer ? m_buffer.constData() : bytes.data();
    const qsizetype size = inBuffer ? m_buffer.size() : bytes.size();

    qsizetype blockStart = 0;
    qsizetype pos = inBuffer ? m_scanFrom : 0;
    while ((pos = find(data, pos, size, '\n')) < size) {
        // Every separator holds a line feed followed by LF (LF LF) or by CR LF after a CR
        // (CR LF CR LF); earlier line feeds were looked at already, so the first match is the
        // separator that starts first.
        if (pos + 1 >= size)
            break;
        qsizetype separatorStart = -1;
        qsizetype separatorLength = 0;
        if (data[pos + 1] == '\n') {
            separatorStart = pos;
            separatorLength = 2;
        } else if (data[pos + 1] == '\r' && pos > blockStart && data[pos - 1] == '\r') {
            if (pos + 2 >= size)
                break;
            if (data[pos + 2] == '\n') {
                separatorStart = pos - 1;
                separatorLength = 4;
            }
        }
        if (separatorLength == 0) {
            // A line end inside the block: kept so the block's lines need no second search.
            m_lineFeeds.push_back(pos - blockStart);
            ++pos;
            continue;
        }
        if (separatorStart - blockStart > maxBlockSize) {
            m_buffer = QByteArray(data + blockStart, maxBlockSize + 1);
            m_scanFrom = 0;
            m_lineFeeds.clear();
            return events;
        }
        const QByteArrayView block(data + blockStart, separatorStart - blockStart);
        // A block in our own buffer may be rewritten while it is parsed.
        char* writable = inBuffer ? m_buffer.data() + blockStart : nullptr;
        if (auto event = parseBlock(block, &m_lineFeeds, writable))
            events.append(*event);
        m_lineFeeds.clear();
        blockStart = separatorStart + separatorLength;
        pos = blockStart;
    }

    // Keep the open block; a line feed at `pos` may still turn out to start a separator.
    const qsizetype scanned = std::min(pos, size) - blockStart;
    if (inBuffer)
        m_buffer.remove(0, blockStart);
    else
        m_buffer = QByteArray(data + blockStart, size - blockStart);
    m_scanFrom = scanned;
    if (m_buffer.size() > maxBlockSize + 1)
        m_buffer.truncate(maxBlockSize + 1);
    return events;
}

QList<SSEEvent> SSEParser::finish()
{
    const QByteArray rest = std::exchange(m_buffer, {});
    m_scanFrom = 0;
    m_lineFeeds.clear();
    if (rest.isEmpty())
        return {};
    if (auto event = parseBlock(rest))
        return {*event};
    return {};
}

std::optional<SSEEvent> SSEParser::parseBlock(QByteArrayView block)
{
    return parseBlock(block, nullptr, nullptr);
}

std::optional<SSEEvent> SSEParser::parseBlock(QByteArrayView block,
                                              const std::vector<qsizetype>* lineFeeds,
                                              char* writableBlock)
{
    // Line ends and field names are ASCII, and UTF-8 never uses ASCII bytes inside a longer
    // character, so the lines are cut in the bytes; the whole block must still be valid UTF-8.
    if (!isAscii(block) && !block.isValidUtf8())
        return std::nullopt;

    QString name = QStringLiteral("message");
    // The data lines joined by LF: the one line itself while there is one (no copy), else
    // copied into `joined`, which the block's size always bounds, or, when the block is ours
    // to change, moved together inside it: each value moves only over lines already read.
    QByteArrayView data;
    QByteArray joined;
    char* out = nullptr;
    const char* joinedStart = nullptr;
    qsizetype dataLines = 0;

    auto handleLine = [&](QByteArrayView line) {
        if (startsWith(line, "data:")) {
            QByteArrayView value = line.sliced(5);
            if (!value.isEmpty() && value[0] == ' ')
                value = value.sliced(1);
            if (dataLines == 1) {
                if (writableBlock) {
                    out = writableBlock + (data.data() - block.data());
                } else {
                    joined = QByteArray(block.size(), Qt::Uninitialized);
                    out = joined.data();
                    std::memcpy(out, data.data(), size_t(data.size()));
                }
                joinedStart = out;
                out += data.size();
            }
            if (dataLines >= 1) {
                *out++ = '\n';
                std::memmove(out, value.data(), size_t(value.size()));
                out += value.size();
            }
            data = value;
            ++dataLines;
        } else if (startsWith(line, "event:")) {
            // Decoded now: joined data may later be moved over this line.
            name = QString::fromUtf8(trimSpacesAndTabs(line.sliced(6)));
        }
        // Empty lines, comments (":") and other fields are ignored.
    };

    const char* text = block.data();
    const qsizetype size = block.size();
    qsizetype lineStart = 0;
    qsizetype nextCr = find(text, 0, size, '\r');
    if (lineFeeds && nextCr == size) {
        // No CR: the line feeds the separator search found are exactly the line ends.
        for (const qsizetype lf : *lineFeeds) {
            handleLine(QByteArrayView(text + lineStart, lf - lineStart));
            lineStart = lf + 1;
        }
        handleLine(QByteArrayView(text + lineStart, size - lineStart));
    } else {
        while (true) {
            if (nextCr < lineStart)
                nextCr = find(text, lineStart, size, '\r');
            const qsizetype lf = find(text, lineStart, size, '\n');
            const qsizetype end = std::min(lf, nextCr);
            handleLine(QByteArrayView(text + lineStart, end - lineStart));
            if (end == size)
                break;
            lineStart = end + 1;
            if (text[end] == '\r' && lineStart < size && text[lineStart] == '\n')
                ++lineStart;
        }
    }

    if (dataLines > 1)
        data = QByteArrayView(joinedStart, out - joinedStart);
    if (data.isEmpty())
        return std::nullopt;
    return SSEEvent{std::move(name), QString::fromUtf8(data)};
}

} // namespace velto
