#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace velto::server {

// Seconds since 1970. Injected everywhere expiry matters so tests can move time forward.
using Clock = std::function<std::int64_t()>;

inline Clock systemClock()
{
    return [] {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
}

} // namespace velto::server
