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

    // The first byte picks where the stream is cut in two.
    const qsizetype cut = qsizetype(data[0]) % bytes.size();
    SSEParser split;
    QList<SSEEvent> events = split.append(bytes.left(cut));
    events += split.append(bytes.mid(cut));
    events += split.finish();
    if (events != expected)
        __builtin_trap();
    for (const SSEEvent& event : events) {
        if (event.data.isEmpty())
            __builtin_trap();
    }
    return 0;
}
