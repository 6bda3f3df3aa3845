#pragma once

#include <QKeyCombination>
#include <functional>

namespace velto {

// Sees key presses system-wide before applications do and can swallow them. A tap is created for
// one shortcut (a letter with Super, and Shift when required): it may deliver only presses of
// that combination, so the listener's matching rule still decides.
class GlobalKeyTap
{
public:
    enum class StartResult
    {
        started,
        // The combination cannot be watched: another program holds it, or the desktop refused.
        tapUnavailable
    };
    // Called on the main thread for each key-down, as the key and the modifiers held with it
    // (Qt::Key_unknown for keys that are not letters); return true to swallow the press.
    using Handler = std::function<bool(QKeyCombination)>;

    virtual ~GlobalKeyTap() = default;
    virtual StartResult start(QKeyCombination shortcut, Handler handler) = 0;
    // Moves a running tap to another combination; false when the new one cannot be watched, in
    // which case the tap has stopped.
    virtual bool retarget(QKeyCombination shortcut) = 0;
    virtual void stop() = 0;
};

} // namespace velto
