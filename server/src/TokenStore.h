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

// Which sessions a sign-out ends: the caller's (Supabase's "local"), every one of its user
// ("global") or the user's others ("others").
enum class LogoutScope
{
    Session,
    User,
    OtherSessions
};

// Opaque random 256-bit access and refresh tokens. Only their SHA-256 hashes are stored, so a
// copy of the database does not hold a usable token.
//
// One sign-in starts a family: each rotation hands out the next refresh token of it. A refresh
// token that is presented again after its rotation was stolen (or the legitimate client lost
// an answer), and nobody can tell which side holds the live one: the whole family is revoked,
// its access tokens with it.
class TokenStore
{
public:
    TokenStore(Database& db, Clock now, std::int64_t accessTokenLifetime,
               std::int64_t refreshTokenLifetime = 30 * 86400);

    // A new family.
    IssuedTokens issue(const std::string& userId);

    // The user an access token belongs to, while it has not expired nor been revoked.
    std::optional<std::string> userForAccessToken(const std::string& token);

    // Trades a refresh token for a fresh pair of its family. A refresh token works once and
    // until it expires: a used, revoked, expired or unknown one throws ApiError 400
    // "invalid_grant", and a used one revokes its family first.
    IssuedTokens rotate(const std::string& refreshToken);

    // Ends the sessions `scope` names, as seen from the session of `accessToken`: their
    // refresh tokens are revoked and their access tokens deleted. False for an access token
    // that is unknown or expired.
    bool logout(const std::string& accessToken, LogoutScope scope);

    // Ends every session of the user (a new password).
    static void revokeUserIn(Database::Session& s, const std::string& userId, std::int64_t now);

private:
    IssuedTokens issueIn(Database::Session& s, const std::string& userId,
                         const std::string& familyId);

    Database& m_db;
    Clock m_now;
    std::int64_t m_accessTokenLifetime;
    std::int64_t m_refreshTokenLifetime;
};

} // namespace velto::server
