#pragma once

#include "platform/KeyPress.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace velto {

class GlobalKeyMonitor;
class GlobalKeyTap;
class Permissions;

// Watches the keyboard system-wide for the configured shortcut (Command with one letter,
// optionally Shift) and calls onHotkey on each matching press. Prefers a tap, which swallows the
// press; falls back to a monitor, which only observes, when input monitoring is not granted.
class HotkeyManager
{
public:
    enum class Mechanism
    {
        none,
        tap,
        monitor
    };

    HotkeyManager(Permissions& permissions, GlobalKeyTap& tap, GlobalKeyMonitor& monitor);
    ~HotkeyManager();
    HotkeyManager(const HotkeyManager&) = delete;
    HotkeyManager& operator=(const HotkeyManager&) = delete;

    // Takes effect from the next key press, whichever mechanism is running.
    void configure(std::uint16_t keyCode, bool requiresShift);
    bool start();
    void stop();

    std::function<void()> onHotkey;
    const std::optional<QString>& lastError() const { return m_lastError; }
    // The last start found the combination held by another program (the tap was refused).
    bool shortcutTaken() const { return m_shortcutTaken; }
    std::int64_t targetKeyCode() const { return m_targetKeyCode; }
    bool targetRequiresShift() const { return m_targetRequiresShift; }
    Mechanism mechanism() const;

    // The rule the tap applies: Command down, Option and Control up, Shift as required, the key.
    // Caps Lock, NumLock and the like are ignored.
    bool tapMatches(const KeyPress& press) const;
    bool monitorMatches(const KeyPress& press) const;

private:
    bool startGlobalMonitorFallback();
    bool handleTapPress(const KeyPress& press);

    Permissions& m_permissions;
    GlobalKeyTap& m_tap;
    GlobalKeyMonitor& m_monitor;
    bool m_tapActive = false;
    bool m_monitorActive = false;
    std::optional<QString> m_lastError;
    bool m_shortcutTaken = false;
    std::int64_t m_targetKeyCode = 37;
    bool m_targetRequiresShift = false;
    // The monitor's handler holds the listener weakly through this token.
    std::shared_ptr<HotkeyManager*> m_self;
};

} // namespace velto
