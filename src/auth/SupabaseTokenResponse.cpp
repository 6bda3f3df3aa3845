#include "auth/SupabaseTokenResponse.h"

#include "net/DecodingError.h"
#include "net/JsonFields.h"

namespace velto {

SupabaseTokenResponse SupabaseTokenResponse::decode(const QByteArray& body)
{
    const nlohmann::json object = JsonFields::parseObject(body);
    SupabaseTokenResponse response;
    response.accessToken = JsonFields::requiredString(object, "access_token");
    response.refreshToken = JsonFields::requiredString(object, "refresh_token");
    response.expiresIn = JsonFields::requiredInteger(object, "expires_in");
    // A session with an empty token could never authorize and would be dropped at next start.
    if (response.accessToken.isEmpty() || response.refreshToken.isEmpty())
        throw DecodingError::invalidSession();
    if (const nlohmann::json* user = JsonFields::optionalObject(object, "user")) {
        response.userID = JsonFields::optionalString(*user, "id");
        response.email = JsonFields::optionalString(*user, "email");
    }
    return response;
}

} // namespace velto
