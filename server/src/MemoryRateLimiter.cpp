#include "MemoryRateLimiter.h"

#include <algorithm>
#include <cmath>

namespace velto::server {

namespace {
// Beyond this many tracked keys, full buckets are forgotten so the map cannot grow without end.
constexpr std::size_t kMaxKeys = 10000;
} // namespace

MemoryRateLimiter::MemoryRateLimiter(int perMinute) : perMinute_(perMinute) {}

bool MemoryRateLimiter::allow(const std::string& key)
{
    if (perMinute_ <= 0) {
        return true;
    }
    auto now = std::chrono::steady_clock::now();
    double capacity = perMinute_;
    double perSecond = perMinute_ / 60.0;
    std::lock_guard lock(mutex_);
    if (buckets_.size() > kMaxKeys) {
        std::erase_if(buckets_, [&](const auto& entry) {
            std::chrono::duration<double> idle = now - entry.second.updated;
            return entry.second.tokens + idle.count() * perSecond >= capacity;
        });
    }
    auto [it, inserted] = buckets_.try_emplace(key, Bucket{capacity, now});
    Bucket& b = it->second;
    std::chrono::duration<double> elapsed = now - b.updated;
    b.tokens = std::min(capacity, b.tokens + elapsed.count() * perSecond);
    b.updated = now;
    if (b.tokens < 1.0) {
        return false;
    }
    b.tokens -= 1.0;
    return true;
}

int MemoryRateLimiter::retryAfterSeconds() const
{
    if (perMinute_ <= 0) {
        return 1;
    }
    return std::max(1, static_cast<int>(std::ceil(60.0 / perMinute_)));
}

} // namespace velto::server
