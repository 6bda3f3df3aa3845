#pragma once

#include "platform/KeyPress.h"

#include <functional>

namespace velto {

// Observes every key-down system-wide without being able to swallow it (the fallback when no tap
// can be made).
class GlobalKeyMonitor
{
public:
    using Handler = std::function<void(const KeyPress&)>;

    virtual ~GlobalKeyMonitor() = default;
    // False when the monitor cannot be installed.
    virtual bool install(Handler handler) = 0;
    virtual void remove() = 0;
};

} // namespace velto
