#include "platform/wayland/WaylandPermissions.h"

#include "platform/wayland/PortalKeyTap.h"
#include "platform/wayland/PortalSyntheticKeys.h"
#include "platform/wayland/WaylandClipboard.h"

namespace velto {

WaylandPermissions::WaylandPermissions(PortalKeyTap& shortcut, PortalSyntheticKeys& keys,
                                       WaylandClipboard& clipboard)
    : m_shortcut(shortcut), m_keys(keys), m_clipboard(clipboard)
{
}

bool WaylandPermissions::inputMonitoringGranted()
{
    return m_shortcut.state() == PortalKeyTap::State::bound;
}

void WaylandPermissions::requestInputMonitoring()
{
    // A portal known to be missing stays missing for this session; no point asking again.
    const auto state = m_shortcut.state();
    if (state == PortalKeyTap::State::unbound || state == PortalKeyTap::State::failed)
        m_shortcut.bind(m_shortcut.requestedKeyCode(), m_shortcut.requestedRequiresShift());
}

bool WaylandPermissions::accessibilityTrusted(bool prompt)
{
    const auto state = m_keys.state();
    if (prompt && (state == PortalSyntheticKeys::State::stopped ||
                   state == PortalSyntheticKeys::State::failed))
        m_keys.startSession();
    return m_keys.state() == PortalSyntheticKeys::State::started && m_clipboard.isAvailable();
}

} // namespace velto
