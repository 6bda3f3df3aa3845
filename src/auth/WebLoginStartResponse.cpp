#include "auth/WebLoginStartResponse.h"

#include "net/JsonFields.h"

#include <QRegularExpression>

namespace velto {

WebLoginStartResponse WebLoginStartResponse::decode(const QByteArray& body)
{
    const nlohmann::json object = JsonFields::parseObject(body);
    WebLoginStartResponse response;
    response.handoffID = JsonFields::requiredString(object, "handoff_id");
    response.loginURL = JsonFields::requiredString(object, "login_url");
    response.expiresInSeconds = JsonFields::requiredInteger(object, "expires_in_seconds");
    response.pollIntervalMs = JsonFields::requiredInteger(object, "poll_interval_ms");
    // Shown to the user as it is: only a plain code passes.
    static const QRegularExpression plainCode(QStringLiteral("^[A-Za-z0-9-]{1,16}$"));
    const std::optional<QString> code = JsonFields::stringIfPresent(object, "user_code");
    if (code && plainCode.match(*code).hasMatch())
        response.userCode = code;
    return response;
}

} // namespace velto
