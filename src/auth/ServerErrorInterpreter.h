#pragma once

#include "auth/ParsedServerError.h"
#include "model/AppError.h"
#include "net/HttpResponse.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace velto {

// Turns the auth backend's failed answers (structured errors, "detail" and
// "error_description" bodies, plain text, proxy HTML pages) into one short sentence. Pure:
// any input, however malformed, gives an answer.
class ServerErrorInterpreter
{
public:
    static constexpr qsizetype maxMessageLength = 240;

    // Nothing when the answer carries nothing to show.
    static std::optional<ParsedServerError> parseServerError(const QByteArray& body,
                                                             const HttpResponse& response);
    // AuthServiceError::webLoginFailed with the message and its hints, or the fallback.
    static AppError authError(const QByteArray& body, const HttpResponse& response,
                              const AppError& fallback);
    // Without control characters (but line breaks and tabs), trimmed, and cut to 240
    // user-perceived characters followed by "..." when longer.
    static QString compactMessage(const QString& text);
    // The sentence for a handoff failure word reported by the backend.
    static QString humanReadableHandoffFailure(const QString& reason);
};

} // namespace velto
