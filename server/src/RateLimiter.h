#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace velto::server {

// A token bucket per key (a client address or a user): up to `perMinute` requests at once,
// refilled at `perMinute` per minute. Zero turns the limit off.
class RateLimiter
{
public:
    explicit RateLimiter(int perMinute);

    // Takes one request from the key's bucket; false when it is empty.
    bool allow(const std::string& key);

    // Seconds until the key's bucket holds a request again (at least 1).
    int retryAfterSeconds() const;

private:
    struct Bucket
    {
        double tokens;
        std::chrono::steady_clock::time_point updated;
    };

    int perMinute_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
};

} // namespace velto::server
