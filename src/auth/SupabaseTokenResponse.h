#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace velto {

// The Supabase token endpoint's answer to a refresh.
struct SupabaseTokenResponse
{
    QString accessToken;
    QString refreshToken;
    qint64 expiresIn = 0;
    // Both absent when the answer has no "user".
    std::optional<QString> userID;
    std::optional<QString> email;

    // Throws DecodingError when a required member is missing or a member has the wrong type.
    static SupabaseTokenResponse decode(const QByteArray& body);
};

} // namespace velto
