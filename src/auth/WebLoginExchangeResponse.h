#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace velto {

// The backend's answer to a handoff exchange: the new session.
struct WebLoginExchangeResponse
{
    QString accessToken;
    QString refreshToken;
    qint64 expiresIn = 0;
    // "user" is required; its members are not.
    std::optional<QString> userID;
    std::optional<QString> email;

    // Throws DecodingError when a required member is missing or a member has the wrong type.
    static WebLoginExchangeResponse decode(const QByteArray& body);
};

} // namespace velto
