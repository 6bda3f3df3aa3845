#include "auth/StoredAuthSession.h"

#include "net/DecodingError.h"
#include "net/JsonFields.h"

namespace velto {

using nlohmann::json;

QByteArray StoredAuthSession::encoded() const
{
    json object = json::object();
    object["accessToken"] = JsonFields::toStdString(accessToken);
    object["refreshToken"] = JsonFields::toStdString(refreshToken);
    object["expiresAt"] = expiresAt;
    if (userID)
        object["userID"] = JsonFields::toStdString(*userID);
    if (email)
        object["email"] = JsonFields::toStdString(*email);
    const std::string text = object.dump(-1, ' ', false, json::error_handler_t::replace);
    return QByteArray(text.data(), qsizetype(text.size()));
}

StoredAuthSession StoredAuthSession::decode(const QByteArray& data)
{
    const std::optional<json> document = JsonFields::parse(data);
    if (!document)
        throw DecodingError::notJSON();
    if (!document->is_object())
        throw DecodingError::typeMismatch();
    const json& object = *document;

    StoredAuthSession session;
    session.accessToken =
        JsonFields::stringIfPresent(object, "accessToken")
            .value_or(JsonFields::stringIfPresent(object, "access_token").value_or(QString()));
    session.refreshToken =
        JsonFields::stringIfPresent(object, "refreshToken")
            .value_or(JsonFields::stringIfPresent(object, "refresh_token").value_or(QString()));
    session.expiresAt =
        JsonFields::numberIfPresent(object, "expiresAt")
            .value_or(JsonFields::numberIfPresent(object, "expires_at").value_or(0));
    session.userID = JsonFields::stringIfPresent(object, "userID");
    if (!session.userID)
        session.userID = JsonFields::stringIfPresent(object, "user_id");
    session.email = JsonFields::stringIfPresent(object, "email");

    if (session.accessToken.isEmpty() || session.refreshToken.isEmpty())
        throw DecodingError::invalidSession();
    return session;
}

} // namespace velto
