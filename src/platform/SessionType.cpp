#include "platform/SessionType.h"

#include <QtGlobal>

namespace velto {

SessionType sessionTypeOf(const QString& xdgSessionType, const QString& waylandDisplay)
{
    const QString type = xdgSessionType.trimmed().toLower();
    if (type == u"wayland")
        return SessionType::wayland;
    if (type == u"x11")
        return SessionType::x11;
    return waylandDisplay.trimmed().isEmpty() ? SessionType::x11 : SessionType::wayland;
}

SessionType currentSessionType()
{
    return sessionTypeOf(qEnvironmentVariable("XDG_SESSION_TYPE"),
                         qEnvironmentVariable("WAYLAND_DISPLAY"));
}

} // namespace velto
