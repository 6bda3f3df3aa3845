#pragma once

#include "Clock.h"
#include "Database.h"

#include <optional>
#include <string>

namespace velto::server {

struct IssuedTokens
{
    std::string accessToken;
    std::string refreshToken;
    std::int64_t expiresIn = 0;
    std::int64_t expiresAt = 0;
    std::string userId;
};

// Opaque random 256-bit access and refresh tokens. Only their SHA-256 hashes are stored, so a
// copy of the database does not hold a usable token.
class TokenStore
{
public:
    TokenStore(Database& db, Clock now, std::int64_t accessTokenLifetime);

    IssuedTokens issue(const std::string& userId);

    // The user an access token belongs to, while it has not expired.
    std::optional<std::string> userForAccessToken(const std::string& token);

    // Trades a refresh token for a fresh pair. A refresh token works once: a used or unknown one
    // throws ApiError 400 "invalid_grant".
    IssuedTokens rotate(const std::string& refreshToken);

private:
    IssuedTokens issueIn(Database::Session& s, const std::string& userId);

    Database& db_;
    Clock now_;
    std::int64_t accessTokenLifetime_;
};

} // namespace velto::server
