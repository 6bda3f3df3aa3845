#pragma once

#include "platform/SessionAccess.h"
#include "platform/linux/AccessibilityBusProbe.h"

#include <QCoreApplication>

#include <QKeyCombination>

namespace velto {

class PortalKeyTap;
class PortalSyntheticKeys;
class WaylandClipboard;

// Wayland's routes for the two capabilities: seeing the shortcut is the GlobalShortcuts portal
// with our session bound; posting keys is a started RemoteDesktop session, and it counts only
// with a working clipboard: a Ctrl+V without our text on the clipboard would paste the user's
// old clipboard over the selection. Asking for either starts the portal's session when it is
// not there yet (the desktop may show its own dialog).
class WaylandSessionAccess : public SessionAccess
{
    Q_DECLARE_TR_FUNCTIONS(WaylandSessionAccess)

public:
    WaylandSessionAccess(PortalKeyTap& shortcut, PortalSyntheticKeys& keys,
                         WaylandClipboard& clipboard);

    bool shortcutAvailable() override;
    void requestShortcut() override;
    bool syntheticPasteAvailable() override;
    bool requestSyntheticPaste() override;
    SessionCapabilities capabilities() override;

    // Whether the desktop gave the portal shortcut the combination asked for: it may assign
    // nothing (the keys belong to someone else) or keys of its own choosing.
    static bool triggerMatches(const QString& trigger, QKeyCombination shortcut);

private:
    PortalKeyTap& m_shortcut;
    PortalSyntheticKeys& m_keys;
    WaylandClipboard& m_clipboard;
    AccessibilityBusProbe m_accessibilityBus;
};

} // namespace velto
