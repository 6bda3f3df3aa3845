#include "system/HotkeyManager.h"

#include "platform/GlobalKeyMonitor.h"
#include "platform/GlobalKeyTap.h"
#include "platform/SessionAccess.h"
#include "system/HotkeyManagerError.h"

namespace velto {

HotkeyManager::HotkeyManager(SessionAccess& sessionAccess, GlobalKeyTap& tap,
                             GlobalKeyMonitor& monitor)
    : m_sessionAccess(sessionAccess), m_tap(tap), m_monitor(monitor),
      m_self(std::make_shared<HotkeyManager*>(this))
{
}

HotkeyManager::~HotkeyManager()
{
    stop();
}

HotkeyManager::Mechanism HotkeyManager::mechanism() const
{
    return m_tapActive ? Mechanism::tap : m_monitorActive ? Mechanism::monitor : Mechanism::none;
}

void HotkeyManager::configure(QKeyCombination shortcut)
{
    m_target = shortcut;
    // A tap watches one combination, so it follows the new one; the monitor sees every key.
    if (m_tapActive && !m_tap.retarget(m_target)) {
        // The tap has stopped; the next start() reports why.
        m_tapActive = false;
    }
}

bool HotkeyManager::start()
{
    m_lastError.reset();
    if (m_tapActive || m_monitorActive)
        return true;
    m_shortcutTaken = false;

    if (m_sessionAccess.shortcutAvailable()) {
        const auto result =
            m_tap.start(m_target, [this](QKeyCombination press) { return handleTapPress(press); });
        switch (result) {
        case GlobalKeyTap::StartResult::started:
            m_tapActive = true;
            return true;
        case GlobalKeyTap::StartResult::tapUnavailable:
            m_shortcutTaken = true;
            m_lastError = HotkeyManagerError::shortcutRefused().description();
            return false;
        }
        return false;
    }

    m_sessionAccess.requestShortcut();
    return startGlobalMonitorFallback();
}

bool HotkeyManager::startGlobalMonitorFallback()
{
    if (m_monitorActive)
        return true;
    if (!m_sessionAccess.requestSyntheticPaste()) {
        m_lastError = HotkeyManagerError::shortcutUnavailable().description();
        return false;
    }
    std::weak_ptr<HotkeyManager*> weak = m_self;
    const bool installed = m_monitor.install([weak](QKeyCombination press) {
        const auto self = weak.lock();
        if (!self)
            return;
        HotkeyManager& manager = **self;
        if (manager.matches(press) && manager.onHotkey)
            manager.onHotkey();
    });
    if (!installed) {
        m_lastError = HotkeyManagerError::keyMonitorFailed().description();
        return false;
    }
    m_monitorActive = true;
    m_lastError.reset();
    return true;
}

void HotkeyManager::stop()
{
    if (m_tapActive) {
        m_tap.stop();
        m_tapActive = false;
    }
    if (m_monitorActive) {
        m_monitor.remove();
        m_monitorActive = false;
    }
}

bool HotkeyManager::matches(QKeyCombination press) const
{
    // The keypad bit says where a key sits, not which combination it is.
    const Qt::KeyboardModifiers held = press.keyboardModifiers() & ~Qt::KeypadModifier;
    return press.key() != Qt::Key_unknown && press.key() == m_target.key() &&
           held == m_target.keyboardModifiers();
}

bool HotkeyManager::handleTapPress(QKeyCombination press)
{
    if (!matches(press))
        return false;
    if (onHotkey)
        onHotkey();
    return true;
}

} // namespace velto
