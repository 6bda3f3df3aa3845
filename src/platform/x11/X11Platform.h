#pragma once

#include "platform/PlatformAdapters.h"
#include "platform/linux/AtspiFocusedSelection.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyMonitor.h"
#include "platform/x11/X11KeyTap.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11SessionAccess.h"
#include "platform/x11/X11SyntheticKeys.h"
#include "platform/x11/X11Windows.h"
#include "platform/x11/X11Workspace.h"

#include <memory>

namespace velto {

class DesktopLauncher;

// The X11 adapters on the app's own xcb connection.
class X11Platform : public PlatformAdapters
{
public:
    explicit X11Platform(DesktopLauncher& launcher);

    SessionAccess& sessionAccess() override { return m_sessionAccess; }
    GlobalKeyTap& keyTap() override { return m_keyTap; }
    GlobalKeyMonitor& keyMonitor() override { return m_keyMonitor; }
    SyntheticKeys& syntheticKeys() override { return m_syntheticKeys; }
    Clipboard& clipboard() override { return *m_clipboard; }
    FocusedSelection& focusedSelection() override { return m_focusedSelection; }
    Workspace& workspace() override { return m_workspace; }
    // The clipboard's destructor hands what we own to the clipboard manager.
    void releaseClipboard() override { m_clipboard.reset(); }

private:
    X11Connection m_connection;
    X11Keymap m_keymap{m_connection};
    X11Windows m_windows{m_connection};
    X11SessionAccess m_sessionAccess{m_connection};
    X11KeyTap m_keyTap{m_connection, m_keymap};
    X11KeyMonitor m_keyMonitor{m_connection, m_keymap};
    X11SyntheticKeys m_syntheticKeys{m_connection, m_keymap, m_windows};
    std::unique_ptr<X11Clipboard> m_clipboard = std::make_unique<X11Clipboard>(m_connection);
    X11Workspace m_workspace;
    AtspiFocusedSelection m_focusedSelection{m_workspace};
};

} // namespace velto
