#pragma once

#include "Clock.h"

#include <memory>
#include <string>

namespace velto::server {

class Database;

// How many requests a key (a client address, a user) may make per minute. Zero turns the
// limit off.
class RateLimiter
{
public:
    virtual ~RateLimiter() = default;

    // Counts one request for the key; false when the key is over its limit.
    virtual bool allow(const std::string& key) = 0;

    // Seconds a refused key should wait before trying again (at least 1).
    virtual int retryAfterSeconds() const = 0;

    // In this process for a store of its own; in the database when replicas share it, so the
    // limit holds across all of them. `scope` keeps the keys of different limits apart.
    static std::unique_ptr<RateLimiter> create(int perMinute, Database& db,
                                               const std::string& scope, Clock now);
};

} // namespace velto::server
