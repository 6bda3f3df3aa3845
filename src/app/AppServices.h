#pragma once

#include "model/AppBuildConfig.h"

#include <QString>
#include <functional>

namespace velto {

class Alerts;
class AuthService;
class Clock;
class DesktopShortcuts;
class FocusedSelection;
class GlobalKeyMonitor;
class GlobalKeyTap;
class Autostart;
class Clipboard;
class SessionAccess;
class RewriteAPI;
class Sleeper;
class SoundPlayer;
class SyntheticKeys;
class UserPreferencesStore;
class Workspace;

// Everything the controller talks to: the desktop's services (real in main, fakes in tests),
// the session and rewrite clients, and the few process-level actions.
struct AppServices
{
    SessionAccess& sessionAccess;
    GlobalKeyTap& keyTap;
    GlobalKeyMonitor& keyMonitor;
    SyntheticKeys& syntheticKeys;
    Clipboard& clipboard;
    FocusedSelection& focusedSelection;
    Workspace& workspace;
    Autostart& autostart;
    SoundPlayer& sound;
    Alerts& alerts;
    Sleeper& sleeper;
    Clock& clock;
    AuthService& auth;
    RewriteAPI& rewriteAPI;
    UserPreferencesStore& preferences;
    DesktopShortcuts& desktopShortcuts;

    // Loads and checks the build-time configuration; throws AppBuildConfigError's errors.
    std::function<AppBuildConfig()> loadBuildConfig;
    // Ends the event loop (the process then exits).
    std::function<void()> terminate;
    // Brings Velto itself in front of other applications, before a modal alert.
    std::function<void()> activateSelf;
    // Puts text on the clipboard as Velto's own window does, when the user asks for it from one
    // of Velto's windows: works in every session, even where the clipboard port cannot write.
    std::function<void(const QString&)> copyText;
};

} // namespace velto
