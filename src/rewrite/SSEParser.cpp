#include "rewrite/SSEParser.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Finds the CRs and LFs of a chunk in order, 64 bytes at a time: one pass finds both kinds,
// and a short line costs a bit scan, not a library call.
class LineEndScanner
{
public:
    LineEndScanner(const char* data, qsizetype size) : m_data(data), m_size(size) {}

    // The first CR or LF at or after `from`, or the chunk's size.
    qsizetype next(qsizetype from)
    {
        if (from >= m_base + 64 || from < m_base)
            load(from);
        while (true) {
            const std::uint64_t ahead = m_mask & (~std::uint64_t(0) << (from - m_base));
            if (ahead)
                return m_base + std::countr_zero(ahead);
            if (m_base + 64 >= m_size)
                return m_size;
            load(m_base + 64);
            from = m_base;
        }
    }

private:
    void load(qsizetype base)
    {
        m_base = base;
        m_mask = 0;
        const char* p = m_data + base;
        const qsizetype count = std::min<qsizetype>(64, m_size - base);
#if defined(__SSE2__)
        if (count == 64) {
            const __m128i lf = _mm_set1_epi8('\n');
            const __m128i cr = _mm_set1_epi8('\r');
            for (int i = 0; i < 4; ++i) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
                const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr));
                m_mask |= std::uint64_t(unsigned(_mm_movemask_epi8(hits))) << (16 * i);
            }
            return;
        }
#endif
        for (qsizetype i = 0; i < count; ++i) {
            if (p[i] == '\n' || p[i] == '\r')
                m_mask |= std::uint64_t(1) << i;
        }
    }

    const char* m_data;
    qsizetype m_size;
    // Bit i of m_mask: whether m_data[m_base + i] ends a line. Nothing loaded yet.
    qsizetype m_base = -64;
    std::uint64_t m_mask = 0;
};

template <qsizetype N> bool startsWith(QByteArrayView line, const char (&prefix)[N])
{
    return line.size() >= N - 1 && std::memcmp(line.data(), prefix, N - 1) == 0;
}

// A word at a time: most streams are ASCII, and then no UTF-8 decoding is needed to
// know the line is valid.
bool isAscii(QByteArrayView bytes)
{
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    std::uint64_t all = 0;
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        all |= word;
    }
    for (; p < end; ++p)
        all |= static_cast<unsigned char>(*p);
    return (all & 0x8080808080808080u) == 0;
}

// Writes the bytes to `out` as UTF-16; false when one is not ASCII, and `out` then holds
// nothing useful. Data lines are mostly ASCII, which needs no decoding.
bool widenAscii(QByteArrayView bytes, char16_t* out)
{
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128i seen = zero;
    if (size >= 16) {
        auto widen16 = [&](qsizetype at) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
            seen = _mm_or_si128(seen, v);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at + 8), _mm_unpackhi_epi8(v, zero));
        };
        for (qsizetype at = 0; at + 16 <= size; at += 16)
            widen16(at);
        // The tail as one last vector that overlaps the previous one: same values again.
        widen16(size - 16);
        return _mm_movemask_epi8(seen) == 0;
    }
    if (size >= 8) {
        auto widen8 = [&](qsizetype at) {
            const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + at));
            seen = _mm_or_si128(seen, v);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi8(v, zero));
        };
        widen8(0);
        widen8(size - 8);
        return _mm_movemask_epi8(seen) == 0;
    }
#endif
    unsigned all = 0;
    for (qsizetype i = 0; i < size; ++i) {
        all |= in[i];
        out[i] = in[i];
    }
    return all < 0x80;
}

} // namespace

QList<SSEEvent> SSEParser::append(char byte)
{
    // Byte by byte, a byte inside a line only extends the kept line.
    if (byte != '\n' && byte != '\r' && !m_tooLarge && !m_line.endsWith('\r') &&
        m_blockSize + m_line.size() < maxBlockSize) {
        m_line.append(byte);
        return {};
    }
    return append(QByteArrayView(&byte, 1));
}

QList<SSEEvent> SSEParser::append(QByteArrayView bytes)
{
    QList<SSEEvent> events;
    if (bytes.isEmpty() || m_tooLarge)
        return events;
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype lineStart = 0;

    if (m_line.endsWith('\r')) {
        // The last chunk ended in a CR: this chunk's first byte tells a CR LF from a lone CR.
        const bool crLf = data[0] == '\n';
        endLine(QByteArrayView(m_line).chopped(1), crLf ? LineEnd::crLf : LineEnd::cr, events);
        m_line.resize(0);
        lineStart = crLf ? 1 : 0;
    }

    LineEndScanner lineEnds(data, size);
    while (!m_tooLarge && lineStart < size) {
        const qsizetype end = lineEnds.next(lineStart);
        // A CR as the chunk's last byte waits, with its line, for the byte that follows.
        if (end == size || (data[end] == '\r' && end + 1 == size))
            break;
        LineEnd how = LineEnd::lf;
        qsizetype next = end + 1;
        if (data[end] == '\r') {
            how = data[next] == '\n' ? LineEnd::crLf : LineEnd::cr;
            next += how == LineEnd::crLf ? 1 : 0;
        }
        QByteArrayView line(data + lineStart, end - lineStart);
        if (!m_line.isEmpty()) {
            if (m_blockSize + m_line.size() + line.size() > maxBlockSize) {
                giveUp();
                break;
            }
            m_line.append(line);
            line = m_line;
        }
        endLine(line, how, events);
        // Kept for the next cut line; resizing an empty one would allocate.
        if (!m_line.isEmpty())
            m_line.resize(0);
        lineStart = next;
    }
    if (m_tooLarge)
        return events;

    // Keep the unfinished line; its bytes count against the block's limit already, so a peer
    // that never ends a line is caught as early as one that never ends a block.
    const QByteArrayView rest = bytes.sliced(lineStart);
    if (m_blockSize + m_line.size() + rest.size() > maxBlockSize) {
        giveUp();
        return events;
    }
    m_line.append(rest);
    return events;
}

QList<SSEEvent> SSEParser::finish()
{
    QList<SSEEvent> events;
    if (!m_tooLarge) {
        QByteArrayView line(m_line);
        if (line.endsWith('\r'))
            line.chop(1);
        // The last line: no line end, so it closes no block by itself.
        endLine(line, LineEnd::none, events);
    }
    // A block given up on is invalid, so it gives no event.
    dispatch(events);
    m_line = QByteArray();
    m_tooLarge = false;
    return events;
}

Q_ALWAYS_INLINE void SSEParser::endLine(QByteArrayView line, LineEnd end, QList<SSEEvent>& events)
{
    const bool closesBlock =
        line.isEmpty() &&
        ((end == LineEnd::lf && (m_previousEnd == LineEnd::lf || m_previousEnd == LineEnd::crLf)) ||
         (end == LineEnd::crLf && m_previousEnd == LineEnd::crLf));
    if (closesBlock) {
        dispatch(events);
        return;
    }
    m_previousEnd = end;
    m_blockSize += line.size() + (end == LineEnd::crLf ? 2 : end == LineEnd::none ? 0 : 1);
    if (m_blockSize > maxBlockSize)
        giveUp();
    else if (!line.isEmpty() && !m_blockInvalid)
        readField(line);
}

Q_ALWAYS_INLINE void SSEParser::readField(QByteArrayView line)
{
    // Field names are ASCII and UTF-8 never uses ASCII bytes inside a longer character, so
    // fields are told apart in the bytes; every line must still be valid UTF-8.
    if (startsWith(line, "data:")) {
        QByteArrayView value = line.sliced(5);
        if (!value.isEmpty() && value[0] == ' ')
            value = value.sliced(1);
        appendData(value);
        return;
    }
    if (!isAscii(line) && !line.isValidUtf8()) {
        m_blockInvalid = true;
        return;
    }
    if (startsWith(line, "event:"))
        m_name = QString::fromUtf8(trimSpacesAndTabs(line.sliced(6)));
    // Comments (":") and other fields are ignored.
}

Q_ALWAYS_INLINE void SSEParser::appendData(QByteArrayView value)
{
    // UTF-8 never has fewer bytes than UTF-16 units, so the value's size bounds its text.
    const qsizetype separator = m_dataLines > 0 ? 1 : 0;
    const qsizetype needed = m_dataSize + separator + value.size();
    if (needed > m_data.size())
        m_data.resize(std::max(needed, 2 * m_data.size()));
    char16_t* start = reinterpret_cast<char16_t*>(m_data.data()) + m_dataSize;
    char16_t* out = start;
    if (separator)
        *out++ = u'\n';
    if (widenAscii(value, out)) {
        out += value.size();
    } else if (value.isValidUtf8()) {
        const QString text = QString::fromUtf8(value);
        std::memcpy(out, text.utf16(), size_t(text.size()) * sizeof(char16_t));
        out += text.size();
    } else {
        m_blockInvalid = true;
        return;
    }
    m_dataSize += out - start;
    ++m_dataLines;
}

void SSEParser::dispatch(QList<SSEEvent>& events)
{
    if (!m_blockInvalid && m_dataSize > 0) {
        m_data.truncate(m_dataSize);
        events.append(SSEEvent{std::move(m_name), std::move(m_data)});
    }
    m_name = QStringLiteral("message");
    m_data = QString();
    m_dataSize = 0;
    m_dataLines = 0;
    m_blockInvalid = false;
    m_blockSize = 0;
    m_previousEnd = LineEnd::none;
}

void SSEParser::giveUp()
{
    m_tooLarge = true;
    m_blockInvalid = true;
    m_line = QByteArray();
    m_data = QString();
    m_dataSize = 0;
    m_dataLines = 0;
}

} // namespace velto
