// Any answer of the auth backend, however malformed, must give a short, non-empty sentence.
#include "auth/AuthServiceError.h"
#include "auth/ServerErrorInterpreter.h"

#include <QTextBoundaryFinder>
#include <fuzzer/FuzzedDataProvider.h>

using namespace velto;

namespace {

qsizetype characters(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const int status = input.ConsumeIntegralInRange<int>(0, 999);
    QList<HttpResponse::Header> headers;
    if (input.ConsumeBool()) {
        const std::string id = input.ConsumeRandomLengthString(64);
        headers.append({"X-Request-Id", QByteArray(id.data(), qsizetype(id.size()))});
    }
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const QByteArray body(rest.data(), qsizetype(rest.size()));
    const HttpResponse response(status, headers, body);

    if (const auto parsed = ServerErrorInterpreter::parseServerError(body, response)) {
        require(!parsed->message.isEmpty());
        require(characters(parsed->message) <= ServerErrorInterpreter::maxMessageLength + 3);
    }
    const AppError fallback = AuthServiceError::webLoginInvalidResponse();
    const AppError error = ServerErrorInterpreter::authError(body, response, fallback);
    require(!error.description().isEmpty());

    const QString text = QString::fromUtf8(body);
    require(characters(ServerErrorInterpreter::compactMessage(text)) <=
            ServerErrorInterpreter::maxMessageLength + 3);
    require(!ServerErrorInterpreter::humanReadableHandoffFailure(text).isEmpty());
    return 0;
}
