#include "MemoryRateLimiter.h"

#include <algorithm>
#include <cmath>

namespace velto::server {

namespace {
// Beyond this many tracked keys, full buckets are forgotten so the map cannot grow without end.
constexpr std::size_t kMaxKeys = 10000;
} // namespace

MemoryRateLimiter::MemoryRateLimiter(int perMinute) : m_perMinute(perMinute) {}

bool MemoryRateLimiter::allow(const std::string& key)
{
    if (m_perMinute <= 0) {
        return true;
    }
    auto now = std::chrono::steady_clock::now();
    double capacity = m_perMinute;
    double perSecond = m_perMinute / 60.0;
    std::lock_guard lock(m_mutex);
    if (m_buckets.size() > kMaxKeys) {
        std::erase_if(m_buckets, [&](const auto& entry) {
            std::chrono::duration<double> idle = now - entry.second.updated;
            return entry.second.tokens + idle.count() * perSecond >= capacity;
        });
    }
    auto [it, inserted] = m_buckets.try_emplace(key, Bucket{capacity, now});
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
    if (m_perMinute <= 0) {
        return 1;
    }
    return std::max(1, static_cast<int>(std::ceil(60.0 / m_perMinute)));
}

} // namespace velto::server
