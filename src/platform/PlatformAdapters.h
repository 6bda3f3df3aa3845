#pragma once

#include <functional>

namespace velto {

class FocusedSelection;
class GlobalKeyMonitor;
class GlobalKeyTap;
class Clipboard;
class SessionAccess;
class SyntheticKeys;
class Workspace;

// The ports the controller needs from the display server, built for the session the app runs
// in (X11 or Wayland). Owns them; they live as long as this object.
class PlatformAdapters
{
public:
    virtual ~PlatformAdapters() = default;

    virtual SessionAccess& sessionAccess() = 0;
    virtual GlobalKeyTap& keyTap() = 0;
    virtual GlobalKeyMonitor& keyMonitor() = 0;
    virtual SyntheticKeys& syntheticKeys() = 0;
    virtual Clipboard& clipboard() = 0;
    virtual FocusedSelection& focusedSelection() = 0;
    virtual Workspace& workspace() = 0;
    // Before the app object goes: hands what the app holds on the clipboard to whoever keeps
    // it after us, where the session has such a keeper. The clipboard is unusable afterwards.
    virtual void releaseClipboard() = 0;

    // Called when what the desktop allows changes later on (a portal session bound or lost),
    // so the app reads the capabilities again and retries the shortcut.
    std::function<void()> onCapabilitiesChanged;
};

} // namespace velto
