#pragma once

#include "Clock.h"
#include "Database.h"

#include <optional>
#include <string>

namespace velto::server {

struct Handoff
{
    std::string id;
    std::string deviceNonce;
    std::string provider;
    // "pending", "ready", "failed" or "exchanged"; a pending or ready handoff past its expiry
    // reads as "failed" with the reason "expired".
    std::string status;
    std::optional<std::string> reason;
    std::optional<std::string> userId;
    std::optional<std::string> exchangeCode;
    std::optional<std::string> exchangeCodeHash;
    std::int64_t expiresAt = 0;
    // Shown by the app and by the sign-in page, so that the user can tell that the page signs
    // in their own app and not one that sent them the link ("ABCD-7K3M").
    std::string userCode;
    std::string client;
    std::int64_t createdAt = 0;
};

struct PollAnswer
{
    std::string status;
    std::optional<std::string> reason;
    std::optional<std::string> exchangeCode;
};

// Browser sign-in handoffs. A handoff is bound to the device nonce it was started with; the
// sign-in page completes it, which makes a one-time exchange code; the exchange trades that code
// (with the same handoff id and nonce) for the user, once.
class HandoffStore
{
public:
    HandoffStore(Database& db, Clock now, std::int64_t lifetime);

    std::int64_t lifetime() const { return m_lifetime; }

    // A new pending handoff, or one failed at once with `failReason`.
    Handoff start(const std::string& deviceNonce, const std::string& client,
                  const std::string& clientVersion, const std::string& provider,
                  const std::optional<std::string>& failReason);

    std::optional<Handoff> find(const std::string& id);

    // Throws ApiError 404 for an unknown handoff; a wrong nonce answers failed/unauthorized_handoff
    // without touching the handoff.
    PollAnswer poll(const std::string& id, const std::string& deviceNonce);

    // The sign-in page's outcome for a pending handoff; false when it is no longer pending.
    bool complete(const std::string& id, const std::string& userId);
    bool fail(const std::string& id, const std::string& reason);

    // The user of a ready handoff whose id, nonce and code all match; throws ApiError otherwise
    // (404 unknown, 403 wrong nonce, 400 wrong code, 409 already used or not ready, 410 expired).
    std::string exchange(const std::string& id, const std::string& deviceNonce,
                         const std::string& exchangeCode);

    // Ends a pending or ready handoff as failed/cancelled; returns the status afterwards.
    std::string cancel(const std::string& id, const std::string& deviceNonce);

    static std::string newUserCode();

private:
    std::optional<Handoff> findIn(Database::Session& s, const std::string& id, std::int64_t now);

    Database& m_db;
    Clock m_now;
    std::int64_t m_lifetime;
};

} // namespace velto::server
