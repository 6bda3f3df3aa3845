#pragma once

#include "platform/PlatformAdapters.h"
#include "platform/linux/AtspiFocusedSelection.h"
#include "platform/wayland/PortalKeyTap.h"
#include "platform/wayland/PortalSyntheticKeys.h"
#include "platform/wayland/WaylandClipboard.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyMonitor.h"
#include "platform/wayland/WaylandSessionAccess.h"
#include "platform/wayland/WaylandWorkspace.h"

#include <QDBusConnection>
#include <QObject>

namespace velto {

class DesktopLauncher;
class UserPreferencesStore;

// The Wayland adapters: the desktop portals on the session bus (shortcut, keys) and
// data-control on our own windowless connection (clipboard). Both portal sessions start at
// once, so the first press finds them ready; each part that is missing says so in the log and
// through the session's capabilities.
class WaylandPlatform : public QObject, public PlatformAdapters
{
    Q_OBJECT

public:
    WaylandPlatform(QDBusConnection bus, DesktopLauncher& launcher,
                    UserPreferencesStore& preferences);

    SessionAccess& sessionAccess() override { return m_sessionAccess; }
    GlobalKeyTap& keyTap() override { return m_keyTap; }
    GlobalKeyMonitor& keyMonitor() override { return m_keyMonitor; }
    SyntheticKeys& syntheticKeys() override { return m_syntheticKeys; }
    Clipboard& clipboard() override { return m_clipboard; }
    // AT-SPI without knowing the application in front: the focused one answers.
    FocusedSelection& focusedSelection() override { return m_focusedSelection; }
    Workspace& workspace() override { return m_workspace; }
    void releaseClipboard() override;

    PortalKeyTap& shortcut() { return m_keyTap; }
    PortalSyntheticKeys& keys() { return m_syntheticKeys; }

private:
    void capabilitiesChanged();

    WaylandConnection m_connection;
    WaylandClipboard m_clipboard{m_connection};
    PortalKeyTap m_keyTap;
    PortalSyntheticKeys m_syntheticKeys;
    WaylandSessionAccess m_sessionAccess{m_keyTap, m_syntheticKeys, m_clipboard};
    WaylandKeyMonitor m_keyMonitor;
    WaylandWorkspace m_workspace;
    AtspiFocusedSelection m_focusedSelection{m_workspace};
};

} // namespace velto
