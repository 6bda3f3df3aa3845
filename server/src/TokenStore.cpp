#include "TokenStore.h"

#include "ApiError.h"
#include "Crypto.h"

namespace velto::server {

namespace {

void revokeFamilyIn(Database::Session& s, const std::string& familyId, std::int64_t now)
{
    s.prepare("UPDATE refresh_tokens SET revoked_at = $2 WHERE family_id = $1 AND revoked_at IS "
              "NULL")
        ->bind(1, familyId)
        .bind(2, now)
        .run();
    s.prepare("DELETE FROM access_tokens WHERE family_id = $1")->bind(1, familyId).run();
}

// How a refresh token that could not be claimed stands.
enum class Unclaimed
{
    Unknown,
    Reused,
    Revoked,
    Expired
};

} // namespace

TokenStore::TokenStore(Database& db, Clock now, std::int64_t accessTokenLifetime,
                       std::int64_t refreshTokenLifetime)
    : m_db(db), m_now(std::move(now)), m_accessTokenLifetime(accessTokenLifetime),
      m_refreshTokenLifetime(refreshTokenLifetime)
{
}

IssuedTokens TokenStore::issue(const std::string& userId)
{
    std::string family = crypto::uuid();
    return m_db.write([&](Database::Session& s) { return issueIn(s, userId, family); });
}

IssuedTokens TokenStore::issueIn(Database::Session& s, const std::string& userId,
                                 const std::string& familyId)
{
    std::int64_t now = m_now();
    IssuedTokens tokens;
    tokens.accessToken = crypto::randomToken(32);
    tokens.refreshToken = crypto::randomToken(32);
    tokens.expiresIn = m_accessTokenLifetime;
    tokens.expiresAt = now + m_accessTokenLifetime;
    tokens.userId = userId;
    s.prepare("INSERT INTO access_tokens (token_hash, user_id, expires_at, family_id) VALUES ($1, "
              "$2, $3, $4)")
        ->bind(1, crypto::sha256Hex(tokens.accessToken))
        .bind(2, userId)
        .bind(3, tokens.expiresAt)
        .bind(4, familyId)
        .run();
    s.prepare("INSERT INTO refresh_tokens (token_hash, user_id, created_at, used_at, family_id, "
              "expires_at) VALUES ($1, $2, $3, NULL, $4, $5)")
        ->bind(1, crypto::sha256Hex(tokens.refreshToken))
        .bind(2, userId)
        .bind(3, now)
        .bind(4, familyId)
        .bind(5, now + m_refreshTokenLifetime)
        .run();
    // Expired tokens are useless; drop them as we go so the tables stay small. A used refresh
    // token stays until it expires, so that its reuse is still recognised.
    s.prepare("DELETE FROM access_tokens WHERE expires_at < $1")->bind(1, now - 86400).run();
    s.prepare("DELETE FROM refresh_tokens WHERE expires_at < $1")->bind(1, now - 86400).run();
    return tokens;
}

std::optional<std::string> TokenStore::userForAccessToken(const std::string& token)
{
    std::string hash = crypto::sha256Hex(token);
    std::int64_t now = m_now();
    return m_db.read([&](Database::Session& s) -> std::optional<std::string> {
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
    std::int64_t now = m_now();
    // The revocation of a reused token must be committed, so the refusal is thrown only after
    // the transaction.
    auto outcome = m_db.write([&](Database::Session& s)
                                  -> std::pair<std::optional<IssuedTokens>, Unclaimed> {
        // The conditional update is the claim: of two rotations of one token running at once
        // (on two replicas), the second waits for the first's row lock, then finds used_at set
        // and changes nothing.
        auto claim = s.prepare(
            "UPDATE refresh_tokens SET used_at = $2 WHERE token_hash = $1 AND used_at IS NULL AND "
            "revoked_at IS NULL AND expires_at > $2 RETURNING user_id, family_id");
        claim->bind(1, hash).bind(2, now);
        if (claim->step()) {
            std::string userId = claim->text(0);
            std::string family = claim->text(1);
            claim.reset();
            return {issueIn(s, userId, family), Unclaimed::Unknown};
        }
        claim.reset();
        auto known = s.prepare(
            "SELECT family_id, used_at, revoked_at FROM refresh_tokens WHERE token_hash = $1");
        known->bind(1, hash);
        if (!known->step()) {
            return {std::nullopt, Unclaimed::Unknown};
        }
        if (!known->isNull(2)) {
            return {std::nullopt, Unclaimed::Revoked};
        }
        if (known->isNull(1)) {
            return {std::nullopt, Unclaimed::Expired};
        }
        std::string family = known->text(0);
        known.reset();
        revokeFamilyIn(s, family, now);
        return {std::nullopt, Unclaimed::Reused};
    });
    if (outcome.first) {
        return std::move(*outcome.first);
    }
    switch (outcome.second) {
    case Unclaimed::Reused:
        throw ApiError(400, "invalid_grant",
                       "Invalid refresh token: already used; the session has been ended.");
    case Unclaimed::Revoked:
        throw ApiError(400, "invalid_grant", "Invalid refresh token: the session has ended.");
    case Unclaimed::Expired:
        throw ApiError(400, "invalid_grant", "Invalid refresh token: expired.");
    case Unclaimed::Unknown:
        break;
    }
    throw ApiError(400, "invalid_grant", "Invalid refresh token: not found.");
}

bool TokenStore::logout(const std::string& accessToken, LogoutScope scope)
{
    std::string hash = crypto::sha256Hex(accessToken);
    std::int64_t now = m_now();
    return m_db.write([&](Database::Session& s) {
        auto st = s.prepare(
            "SELECT user_id, family_id, expires_at FROM access_tokens WHERE token_hash = $1");
        st->bind(1, hash);
        if (!st->step() || st->integer(2) <= now) {
            return false;
        }
        std::string userId = st->text(0);
        // An access token from before families stands for a session of its own.
        std::string family = st->isNull(1) ? std::string() : st->text(1);
        st.reset();
        switch (scope) {
        case LogoutScope::Session:
            if (family.empty()) {
                s.prepare("DELETE FROM access_tokens WHERE token_hash = $1")->bind(1, hash).run();
            } else {
                revokeFamilyIn(s, family, now);
            }
            break;
        case LogoutScope::User:
            revokeUserIn(s, userId, now);
            break;
        case LogoutScope::OtherSessions:
            s.prepare("UPDATE refresh_tokens SET revoked_at = $3 WHERE user_id = $1 AND "
                      "family_id <> $2 AND revoked_at IS NULL")
                ->bind(1, userId)
                .bind(2, family)
                .bind(3, now)
                .run();
            s.prepare("DELETE FROM access_tokens WHERE user_id = $1 AND (family_id IS NULL OR "
                      "family_id <> $2) AND token_hash <> $3")
                ->bind(1, userId)
                .bind(2, family)
                .bind(3, hash)
                .run();
            break;
        }
        return true;
    });
}

void TokenStore::revokeUserIn(Database::Session& s, const std::string& userId, std::int64_t now)
{
    s.prepare("UPDATE refresh_tokens SET revoked_at = $2 WHERE user_id = $1 AND revoked_at IS NULL")
        ->bind(1, userId)
        .bind(2, now)
        .run();
    s.prepare("DELETE FROM access_tokens WHERE user_id = $1")->bind(1, userId).run();
}

} // namespace velto::server
