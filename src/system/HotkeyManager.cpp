#include "system/HotkeyManager.h"

#include "platform/GlobalKeyMonitor.h"
#include "platform/GlobalKeyTap.h"
#include "platform/Permissions.h"
#include "system/HotkeyManagerError.h"

namespace velto {

namespace {
constexpr std::uint64_t commandOptionControl =
    KeyModifier::command | KeyModifier::option | KeyModifier::control;
}

HotkeyManager::HotkeyManager(Permissions& permissions, GlobalKeyTap& tap, GlobalKeyMonitor& monitor)
    : m_permissions(permissions), m_tap(tap), m_monitor(monitor),
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

void HotkeyManager::configure(std::uint16_t keyCode, bool requiresShift)
{
    m_targetKeyCode = keyCode;
    m_targetRequiresShift = requiresShift;
    // A tap watches one combination, so it follows the new one; the monitor sees every key.
    if (m_tapActive && !m_tap.retarget(m_targetKeyCode, m_targetRequiresShift)) {
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

    if (m_permissions.inputMonitoringGranted()) {
        const auto result =
            m_tap.start(m_targetKeyCode, m_targetRequiresShift,
                        [this](const KeyPress& press) { return handleTapPress(press); });
        switch (result) {
        case GlobalKeyTap::StartResult::started:
            m_tapActive = true;
            return true;
        case GlobalKeyTap::StartResult::tapUnavailable:
            m_shortcutTaken = true;
            m_lastError = HotkeyManagerError::eventTapUnavailable().description();
            return false;
        case GlobalKeyTap::StartResult::sourceUnavailable:
            m_lastError = HotkeyManagerError::runLoopSourceUnavailable().description();
            return false;
        }
        return false;
    }

    m_permissions.requestInputMonitoring();
    return startGlobalMonitorFallback();
}

bool HotkeyManager::startGlobalMonitorFallback()
{
    if (m_monitorActive)
        return true;
    if (!m_permissions.accessibilityTrusted(true)) {
        m_lastError = HotkeyManagerError::permissionsMissing().description();
        return false;
    }
    std::weak_ptr<HotkeyManager*> weak = m_self;
    const bool installed = m_monitor.install([weak](const KeyPress& press) {
        const auto self = weak.lock();
        if (!self)
            return;
        HotkeyManager& manager = **self;
        if (manager.monitorMatches(press) && manager.onHotkey)
            manager.onHotkey();
    });
    if (!installed) {
        m_lastError = HotkeyManagerError::monitorUnavailable().description();
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

bool HotkeyManager::tapMatches(const KeyPress& press) const
{
    const bool shiftDown = (press.flags & KeyModifier::shift) != 0;
    return (press.flags & commandOptionControl) == KeyModifier::command &&
           shiftDown == m_targetRequiresShift && press.keyCode == m_targetKeyCode;
}

bool HotkeyManager::monitorMatches(const KeyPress& press) const
{
    const bool shiftDown = (press.flags & KeyModifier::shift) != 0;
    return (press.flags & KeyModifier::command) && !(press.flags & KeyModifier::option) &&
           !(press.flags & KeyModifier::control) && shiftDown == m_targetRequiresShift &&
           press.keyCode == static_cast<std::uint16_t>(m_targetKeyCode);
}

bool HotkeyManager::handleTapPress(const KeyPress& press)
{
    if (!tapMatches(press))
        return false;
    if (onHotkey)
        onHotkey();
    return true;
}

} // namespace velto
