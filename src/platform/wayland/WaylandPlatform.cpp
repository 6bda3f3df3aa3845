#include "platform/wayland/WaylandPlatform.h"

#include "model/ClientLogger.h"
#include "model/ShortcutKeys.h"
#include "model/UserPreferencesStore.h"

namespace velto {

WaylandPlatform::WaylandPlatform(QDBusConnection bus, DesktopLauncher& launcher,
                                 UserPreferencesStore& preferences)
    : m_keyTap(bus), m_syntheticKeys(bus, preferences.defaults()), m_workspace(launcher)
{
    if (!bus.isConnected())
        ClientLogger::warning(u"wayland: no session bus: ",
                              u"the shortcut and synthetic keys need the desktop portals");
    connect(&m_keyTap, &PortalKeyTap::stateChanged, this, [this] { capabilitiesChanged(); });
    connect(&m_keyTap, &PortalKeyTap::triggerChanged, this, [this] { capabilitiesChanged(); });
    connect(&m_syntheticKeys, &PortalSyntheticKeys::stateChanged, this,
            [this] { capabilitiesChanged(); });
    connect(&m_connection, &WaylandConnection::ready, this, [this] { capabilitiesChanged(); });
    connect(&m_connection, &WaylandConnection::failed, this, [this] { capabilitiesChanged(); });
    // The user's own shortcut from the start: binding the default first would only be
    // replaced a moment later.
    m_keyTap.bind(
        ShortcutKeys::combination(ShortcutKeys::normalizedShortcutKey(preferences.shortcutKey()),
                                  preferences.shortcutRequiresShift()));
    m_syntheticKeys.startSession();
}

void WaylandPlatform::capabilitiesChanged()
{
    if (onCapabilitiesChanged)
        onCapabilitiesChanged();
}

void WaylandPlatform::releaseClipboard()
{
    // Nothing keeps our data once the connection closes; a desktop clipboard manager
    // (Klipper) has copied it by then.
}

} // namespace velto
