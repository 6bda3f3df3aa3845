#include "HandoffStore.h"

#include "ApiError.h"
#include "Crypto.h"

#include <sodium.h>

namespace velto::server {

namespace {

ApiError unknownHandoff()
{
    return ApiError(404, "invalid_or_expired_handoff",
                    "This sign-in session does not exist or has expired.");
}

ApiError alreadyUsed()
{
    return ApiError(409, "already_used", "This sign-in session was already used.");
}

ApiError wrongDevice()
{
    return ApiError(403, "unauthorized_handoff",
                    "This sign-in session is not valid for this device.");
}

} // namespace

HandoffStore::HandoffStore(Database& db, Clock now, std::int64_t lifetime)
    : m_db(db), m_now(std::move(now)), m_lifetime(lifetime)
{
}

namespace {

// Handoffs started before nonces were hashed hold the nonce itself (43 characters, never the
// 64 of a hash) until they expire.
bool nonceMatches(const std::string& stored, const std::string& given)
{
    return crypto::equalConstantTime(stored, crypto::sha256Hex(given)) ||
           (stored.size() == given.size() && crypto::equalConstantTime(stored, given));
}

} // namespace

std::string HandoffStore::newUserCode()
{
    // Nothing to mix up (0/O, 1/I/L, 2/Z, 5/S): 27 symbols, eight of them, about 38 bits.
    static const char kSymbols[] = "ABCDEFGHJKMNPQRTUVWXY346789";
    std::string code;
    for (std::size_t i = 0; i < 8; ++i) {
        if (i == 4) {
            code += '-';
        }
        code += kSymbols[randombytes_uniform(sizeof kSymbols - 1)];
    }
    return code;
}

Handoff HandoffStore::start(const std::string& deviceNonce, const std::string& client,
                            const std::string& clientVersion, const std::string& provider,
                            const std::optional<std::string>& failReason)
{
    std::int64_t now = m_now();
    Handoff h;
    h.id = crypto::randomToken(24);
    // Only the nonce's hash is kept: a copy of the database cannot poll or exchange.
    h.deviceNonce = crypto::sha256Hex(deviceNonce);
    h.userCode = newUserCode();
    h.client = client;
    h.createdAt = now;
    h.provider = provider;
    h.status = failReason ? "failed" : "pending";
    h.reason = failReason;
    h.expiresAt = now + m_lifetime;
    m_db.write([&](Database::Session& s) {
        s.prepare("INSERT INTO handoffs (id, device_nonce, client, client_version, provider, "
                  "status, reason, created_at, expires_at, user_code) VALUES ($1, $2, $3, $4, $5, "
                  "$6, $7, $8, $9, $10)")
            ->bind(1, h.id)
            .bind(2, h.deviceNonce)
            .bind(3, client)
            .bind(4, clientVersion)
            .bind(5, provider)
            .bind(6, h.status)
            .bind(7, h.reason)
            .bind(8, now)
            .bind(9, h.expiresAt)
            .bind(10, h.userCode)
            .run();
        // Keep a day of history for the log reader, then forget.
        s.prepare("DELETE FROM handoffs WHERE expires_at < $1")->bind(1, now - 86400).run();
    });
    return h;
}

std::optional<Handoff> HandoffStore::findIn(Database::Session& s, const std::string& id,
                                            std::int64_t now)
{
    auto st =
        s.prepare("SELECT id, device_nonce, provider, status, reason, user_id, exchange_code, "
                  "expires_at, exchange_code_hash, user_code, client, created_at FROM handoffs "
                  "WHERE id = $1");
    st->bind(1, id);
    if (!st->step()) {
        return std::nullopt;
    }
    Handoff h;
    h.id = st->text(0);
    h.deviceNonce = st->text(1);
    h.provider = st->text(2);
    h.status = st->text(3);
    h.reason = st->optionalText(4);
    h.userId = st->optionalText(5);
    h.exchangeCode = st->optionalText(6);
    h.expiresAt = st->integer(7);
    h.exchangeCodeHash = st->optionalText(8);
    h.userCode = st->optionalText(9).value_or("");
    h.client = st->text(10);
    h.createdAt = st->integer(11);
    if ((h.status == "pending" || h.status == "ready") && now >= h.expiresAt) {
        h.status = "failed";
        h.reason = "expired";
        h.exchangeCode.reset();
    }
    return h;
}

std::optional<Handoff> HandoffStore::find(const std::string& id)
{
    std::int64_t now = m_now();
    return m_db.read([&](Database::Session& s) { return findIn(s, id, now); });
}

PollAnswer HandoffStore::poll(const std::string& id, const std::string& deviceNonce)
{
    auto h = find(id);
    if (!h) {
        throw unknownHandoff();
    }
    if (!nonceMatches(h->deviceNonce, deviceNonce)) {
        return {"failed", "unauthorized_handoff", std::nullopt};
    }
    if (h->status == "pending") {
        return {"pending", std::nullopt, std::nullopt};
    }
    if (h->status == "ready") {
        return {"ready", std::nullopt, h->exchangeCode};
    }
    if (h->status == "exchanged") {
        return {"failed", "already_used", std::nullopt};
    }
    return {"failed", h->reason.value_or("auth_failed"), std::nullopt};
}

// Every change of state below is conditional on the state it starts from, so that replicas
// racing for one handoff change it once; the changed-row count tells the winner.

bool HandoffStore::complete(const std::string& id, const std::string& userId)
{
    std::int64_t now = m_now();
    // The plain code must be readable by the next poll; it is erased by the exchange.
    std::string code = crypto::randomToken(32);
    return m_db.write([&](Database::Session& s) {
        return s.prepare("UPDATE handoffs SET status = 'ready', user_id = $2, exchange_code = $3, "
                         "exchange_code_hash = $4 WHERE id = $1 AND status = 'pending' AND "
                         "expires_at > $5")
                   ->bind(1, id)
                   .bind(2, userId)
                   .bind(3, code)
                   .bind(4, crypto::sha256Hex(code))
                   .bind(5, now)
                   .run() == 1;
    });
}

bool HandoffStore::fail(const std::string& id, const std::string& reason)
{
    std::int64_t now = m_now();
    return m_db.write([&](Database::Session& s) {
        return s.prepare("UPDATE handoffs SET status = 'failed', reason = $2 WHERE id = $1 AND "
                         "status = 'pending' AND expires_at > $3")
                   ->bind(1, id)
                   .bind(2, reason)
                   .bind(3, now)
                   .run() == 1;
    });
}

std::string HandoffStore::exchange(const std::string& id, const std::string& deviceNonce,
                                   const std::string& exchangeCode)
{
    std::int64_t now = m_now();
    return m_db.write([&](Database::Session& s) {
        auto h = findIn(s, id, now);
        if (!h) {
            throw unknownHandoff();
        }
        if (!nonceMatches(h->deviceNonce, deviceNonce)) {
            throw wrongDevice();
        }
        if (h->status == "exchanged") {
            throw alreadyUsed();
        }
        if (h->status == "failed" && h->reason == "expired") {
            throw ApiError(410, "expired", "This sign-in session expired.");
        }
        if (h->status != "ready") {
            throw ApiError(409, "handoff_not_ready",
                           "This sign-in session has not been completed in the browser.");
        }
        if (!crypto::equalConstantTime(h->exchangeCodeHash.value_or(""),
                                       crypto::sha256Hex(exchangeCode))) {
            throw ApiError(400, "invalid_exchange_code",
                           "The exchange code does not belong to this sign-in session.");
        }
        auto claimed = s.prepare("UPDATE handoffs SET status = 'exchanged', exchange_code = NULL "
                                 "WHERE id = $1 AND status = 'ready'")
                           ->bind(1, id)
                           .run();
        if (claimed != 1) {
            // Another replica exchanged it between our read and our update.
            throw alreadyUsed();
        }
        return *h->userId;
    });
}

std::string HandoffStore::cancel(const std::string& id, const std::string& deviceNonce)
{
    std::int64_t now = m_now();
    return m_db.write([&](Database::Session& s) {
        auto h = findIn(s, id, now);
        if (!h) {
            throw unknownHandoff();
        }
        if (!nonceMatches(h->deviceNonce, deviceNonce)) {
            throw wrongDevice();
        }
        if (h->status != "pending" && h->status != "ready") {
            return h->status;
        }
        auto cancelled = s.prepare("UPDATE handoffs SET status = 'failed', reason = "
                                   "'cancelled', exchange_code = NULL WHERE id = $1 AND status "
                                   "IN ('pending', 'ready')")
                             ->bind(1, id)
                             .run();
        if (cancelled != 1) {
            // Completed or exchanged elsewhere meanwhile: report what it is now.
            return findIn(s, id, now)->status;
        }
        return std::string("failed");
    });
}

} // namespace velto::server
