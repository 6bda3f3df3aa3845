#pragma once

#include "Database.h"
#include "RateLimiter.h"

#include <atomic>
#include <string>

namespace velto::server {

// A fixed one-minute window per key, counted in the database's rate_limits table so that
// every replica adds to the same counter. A key's window opens with its first request; a
// request after the window starts a new one at one.
class SharedRateLimiter : public RateLimiter
{
public:
    SharedRateLimiter(int perMinute, Database& db, std::string scope, Clock now);

    bool allow(const std::string& key) override;
    // A refused key waits at most until its window closes.
    int retryAfterSeconds() const override { return kWindowSeconds; }

    static constexpr int kWindowSeconds = 60;

private:
    int m_perMinute;
    Database& m_db;
    std::string m_scope;
    Clock m_now;
    std::atomic<unsigned> m_calls{0};
};

} // namespace velto::server
