#include "auth/WebLoginStartResponse.h"

#include "auth/JsonFields.h"

namespace velto {

WebLoginStartResponse WebLoginStartResponse::decode(const QByteArray& body)
{
    const nlohmann::json object = JsonFields::parseObject(body);
    WebLoginStartResponse response;
    response.handoffID = JsonFields::requiredString(object, "handoff_id");
    response.loginURL = JsonFields::requiredString(object, "login_url");
    response.expiresInSeconds = JsonFields::requiredInteger(object, "expires_in_seconds");
    response.pollIntervalMs = JsonFields::requiredInteger(object, "poll_interval_ms");
    return response;
}

} // namespace velto
