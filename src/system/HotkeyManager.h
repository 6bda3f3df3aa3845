#pragma once

#include "model/ShortcutKeys.h"

#include <QKeyCombination>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace velto {

class GlobalKeyMonitor;
class GlobalKeyTap;
class SessionAccess;

// Watches the keyboard system-wide for the configured shortcut (Super with one letter,
// optionally Shift) and calls onHotkey on each matching press. Prefers a tap, which swallows the
// press; falls back to a monitor, which only observes, when the session offers no tap.
class HotkeyManager
{
public:
    enum class Mechanism
    {
        none,
        tap,
        monitor
    };

    HotkeyManager(SessionAccess& sessionAccess, GlobalKeyTap& tap, GlobalKeyMonitor& monitor);
    ~HotkeyManager();
    HotkeyManager(const HotkeyManager&) = delete;
    HotkeyManager& operator=(const HotkeyManager&) = delete;

    // Takes effect from the next key press, whichever mechanism is running.
    void configure(QKeyCombination shortcut);
    bool start();
    void stop();

    std::function<void()> onHotkey;
    const std::optional<QString>& lastError() const { return m_lastError; }
    // The last start found the combination held by another program (the tap was refused).
    bool shortcutTaken() const { return m_shortcutTaken; }
    QKeyCombination target() const { return m_target; }
    Mechanism mechanism() const;

    // The rule both mechanisms apply: the key, with exactly the shortcut's modifiers (Super, and
    // Shift when required; Ctrl or Alt held make it another combination). Caps Lock and NumLock
    // never reach this far.
    bool matches(QKeyCombination press) const;

private:
    bool startGlobalMonitorFallback();
    bool handleTapPress(QKeyCombination press);

    SessionAccess& m_sessionAccess;
    GlobalKeyTap& m_tap;
    GlobalKeyMonitor& m_monitor;
    bool m_tapActive = false;
    bool m_monitorActive = false;
    std::optional<QString> m_lastError;
    bool m_shortcutTaken = false;
    QKeyCombination m_target = ShortcutKeys::combination(ShortcutKeys::defaultKeyID, false);
    // The monitor's handler holds the listener weakly through this token.
    std::shared_ptr<HotkeyManager*> m_self;
};

} // namespace velto
