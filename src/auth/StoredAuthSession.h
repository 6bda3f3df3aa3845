#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace velto {

// The signed-in session as held in memory and stored in the keyring (as UTF-8 JSON).
struct StoredAuthSession
{
    QString accessToken;
    QString refreshToken;
    // Absolute expiry, seconds since 1970-01-01 00:00 UTC.
    double expiresAt = 0;
    std::optional<QString> userID;
    std::optional<QString> email;

    // Writes "accessToken", "refreshToken", "expiresAt", and "userID" / "email" when present.
    QByteArray encoded() const;
    // Reads each field under its camelCase key, then its snake_case one; a wrong type counts as
    // absent. Throws DecodingError when either token ends up empty or the data is not an object.
    static StoredAuthSession decode(const QByteArray& data);

    bool operator==(const StoredAuthSession&) const = default;
};

} // namespace velto
