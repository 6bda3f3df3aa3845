#include "auth/WebLoginPollResponse.h"

#include "net/JsonFields.h"

namespace velto {

WebLoginPollResponse WebLoginPollResponse::decode(const QByteArray& body)
{
    const nlohmann::json object = JsonFields::parseObject(body);
    WebLoginPollResponse response;
    response.status = JsonFields::requiredString(object, "status");
    response.exchangeCode = JsonFields::optionalString(object, "exchange_code");
    response.reason = JsonFields::optionalString(object, "reason");
    return response;
}

} // namespace velto
