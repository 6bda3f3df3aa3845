// The service's catalogue is untrusted: it decodes, or fails with the decoding error; never a
// crash, a hang, a sanitizer report or another kind of failure.
#include "model/AppError.h"
#include "rewrite/RewriteConfigResponse.h"

using namespace velto;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        RewriteConfigResponse::decode(bytes);
    } catch (const AppError&) {
    }
    return 0;
}
