#pragma once

#include "platform/Permissions.h"

namespace velto {

class PortalKeyTap;
class PortalSyntheticKeys;

// Wayland's counterparts of the two permissions: seeing the shortcut is the GlobalShortcuts
// portal with our session bound; posting keys is a started RemoteDesktop session. Asking for
// either starts the session when it is not there yet (the desktop may show its own dialog).
class WaylandPermissions : public Permissions
{
public:
    WaylandPermissions(PortalKeyTap& shortcut, PortalSyntheticKeys& keys);

    bool inputMonitoringGranted() override;
    void requestInputMonitoring() override;
    bool accessibilityTrusted(bool prompt) override;

private:
    PortalKeyTap& m_shortcut;
    PortalSyntheticKeys& m_keys;
};

} // namespace velto
