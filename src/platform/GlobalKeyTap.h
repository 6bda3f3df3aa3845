#pragma once

#include "platform/KeyPress.h"

#include <functional>

namespace velto {

// Sees key presses system-wide before applications do and can swallow them. A tap is created for
// one shortcut (the key code of a letter with Command, and Shift when required): it may deliver
// only presses of that combination, so the listener's matching rule still decides.
class GlobalKeyTap
{
public:
    enum class StartResult
    {
        started,
        tapUnavailable,
        sourceUnavailable
    };
    // Called on the main thread for each key-down; return true to swallow the press.
    using Handler = std::function<bool(const KeyPress&)>;

    virtual ~GlobalKeyTap() = default;
    virtual StartResult start(std::int64_t keyCode, bool requiresShift, Handler handler) = 0;
    // Moves a running tap to another combination; false when the new one cannot be watched, in
    // which case the tap has stopped.
    virtual bool retarget(std::int64_t keyCode, bool requiresShift) = 0;
    virtual void stop() = 0;
};

} // namespace velto
