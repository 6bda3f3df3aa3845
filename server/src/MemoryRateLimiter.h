#pragma once

#include "RateLimiter.h"

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace velto::server {

// A token bucket per key: up to `perMinute` requests at once, refilled at `perMinute` per
// minute. Held in this process only.
class MemoryRateLimiter : public RateLimiter
{
public:
    explicit MemoryRateLimiter(int perMinute);

    bool allow(const std::string& key) override;
    int retryAfterSeconds() const override;

private:
    struct Bucket
    {
        double tokens;
        std::chrono::steady_clock::time_point updated;
    };

    int m_perMinute;
    std::mutex m_mutex;
    std::unordered_map<std::string, Bucket> m_buckets;
};

} // namespace velto::server
