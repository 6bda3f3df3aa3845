#pragma once

#include <QString>

namespace velto {

enum class SessionType
{
    x11,
    wayland
};

// The display server the app's adapters must talk to, from XDG_SESSION_TYPE and
// WAYLAND_DISPLAY: the session type when it names one of the two, else Wayland when a Wayland
// display is set. X11 otherwise (a bare X server, startx from a console).
SessionType sessionTypeOf(const QString& xdgSessionType, const QString& waylandDisplay);
// The same, from the process's environment.
SessionType currentSessionType();

} // namespace velto
