#pragma once

#include "platform/PlatformAdapters.h"

#include <memory>

namespace velto {

class DesktopLauncher;
class UserPreferencesStore;

// The adapters for the session the app was started in: Wayland's portals and data-control in a
// Wayland session, xcb in an X11 one. Says in the log which one it chose.
std::unique_ptr<PlatformAdapters> createSessionPlatform(DesktopLauncher& launcher,
                                                        UserPreferencesStore& preferences);

} // namespace velto
