#include "TokenStore.h"

#include "ApiError.h"
#include "Crypto.h"

namespace velto::server {

TokenStore::TokenStore(Database& db, Clock now, std::int64_t accessTokenLifetime)
    : db_(db), now_(std::move(now)), accessTokenLifetime_(accessTokenLifetime)
{
}

IssuedTokens TokenStore::issue(const std::string& userId)
{
    return db_.write([&](Database::Session& s) { return issueIn(s, userId); });
}

IssuedTokens TokenStore::issueIn(Database::Session& s, const std::string& userId)
{
    std::int64_t now = now_();
    IssuedTokens tokens;
    tokens.accessToken = crypto::randomToken(32);
    tokens.refreshToken = crypto::randomToken(32);
    tokens.expiresIn = accessTokenLifetime_;
    tokens.expiresAt = now + accessTokenLifetime_;
    tokens.userId = userId;
    s.prepare("INSERT INTO access_tokens (token_hash, user_id, expires_at) VALUES ($1, $2, $3)")
        ->bind(1, crypto::sha256Hex(tokens.accessToken))
        .bind(2, userId)
        .bind(3, tokens.expiresAt)
        .run();
    s.prepare("INSERT INTO refresh_tokens (token_hash, user_id, created_at, used_at) VALUES "
              "($1, $2, $3, NULL)")
        ->bind(1, crypto::sha256Hex(tokens.refreshToken))
        .bind(2, userId)
        .bind(3, now)
        .run();
    // Expired access tokens are useless; drop them as we go so the table stays small.
    s.prepare("DELETE FROM access_tokens WHERE expires_at < $1")->bind(1, now - 86400).run();
    return tokens;
}

std::optional<std::string> TokenStore::userForAccessToken(const std::string& token)
{
    std::string hash = crypto::sha256Hex(token);
    std::int64_t now = now_();
    return db_.read([&](Database::Session& s) -> std::optional<std::string> {
        auto st = s.prepare("SELECT user_id, expires_at FROM access_tokens WHERE token_hash = $1");
        st->bind(1, hash);
        if (!st->step() || st->integer(1) <= now) {
            return std::nullopt;
        }
        return st->text(0);
    });
}

IssuedTokens TokenStore::rotate(const std::string& refreshToken)
{
    std::string hash = crypto::sha256Hex(refreshToken);
    return db_.write([&](Database::Session& s) {
        // The conditional update is the claim: of two rotations of one token running at once
        // (on two replicas), the second waits for the first's row lock, then finds used_at set
        // and changes nothing.
        auto claim = s.prepare("UPDATE refresh_tokens SET used_at = $2 WHERE token_hash = $1 AND "
                               "used_at IS NULL RETURNING user_id");
        claim->bind(1, hash).bind(2, now_());
        if (!claim->step()) {
            auto known = s.prepare("SELECT 1 FROM refresh_tokens WHERE token_hash = $1");
            known->bind(1, hash);
            if (!known->step()) {
                throw ApiError(400, "invalid_grant", "Invalid refresh token: not found.");
            }
            throw ApiError(400, "invalid_grant", "Invalid refresh token: already used.");
        }
        std::string userId = claim->text(0);
        claim.reset();
        return issueIn(s, userId);
    });
}

} // namespace velto::server
