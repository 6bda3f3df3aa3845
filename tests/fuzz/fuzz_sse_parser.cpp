// Event streams are untrusted: the parser never fails, and how the bytes are split across
// reads never changes the events it produces.
#include "rewrite/SSEParser.h"

using namespace velto;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    SSEParser whole;
    QList<SSEEvent> expected = whole.append(bytes);
    if (whole.blockTooLarge())
        return 0;
    expected += whole.finish();

    // The first two bytes pick where the stream is cut in three.
    const qsizetype cut = qsizetype(data[0]) % bytes.size();
    const qsizetype secondCut = cut + (size > 1 ? qsizetype(data[1]) % (bytes.size() - cut) : 0);
    SSEParser split;
    QList<SSEEvent> events = split.append(bytes.left(cut));
    events += split.append(bytes.sliced(cut, secondCut - cut));
    events += split.append(bytes.sliced(secondCut));
    events += split.finish();
    if (events != expected)
        __builtin_trap();

    SSEParser byteByByte;
    QList<SSEEvent> byBytes;
    for (const char byte : bytes)
        byBytes += byteByByte.append(byte);
    byBytes += byteByByte.finish();
    if (byBytes != expected)
        __builtin_trap();
    for (const SSEEvent& event : events) {
        if (event.data.isEmpty())
            __builtin_trap();
    }
    return 0;
}
