// Keyring items and backend answers are untrusted: decoding fails cleanly or yields a usable
// record, and a decoded session survives being written and read again.
#include "auth/StoredAuthSession.h"
#include "auth/SupabaseTokenResponse.h"
#include "auth/WebLoginExchangeResponse.h"
#include "auth/WebLoginPollResponse.h"
#include "auth/WebLoginStartResponse.h"
#include "model/AppError.h"

using namespace velto;

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

template <typename Call> void tolerate(Call call)
{
    try {
        call();
    } catch (const AppError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    tolerate([&] {
        const StoredAuthSession session = StoredAuthSession::decode(bytes);
        require(!session.accessToken.isEmpty() && !session.refreshToken.isEmpty());
        require(StoredAuthSession::decode(session.encoded()) == session);
    });
    tolerate([&] { WebLoginStartResponse::decode(bytes); });
    tolerate([&] { WebLoginPollResponse::decode(bytes); });
    tolerate([&] {
        const WebLoginExchangeResponse answer = WebLoginExchangeResponse::decode(bytes);
        require(!answer.accessToken.isEmpty() && !answer.refreshToken.isEmpty());
    });
    tolerate([&] { SupabaseTokenResponse::decode(bytes); });
    return 0;
}
