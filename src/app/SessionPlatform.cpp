#include "app/SessionPlatform.h"

#include "model/ClientLogger.h"
#include "platform/SessionType.h"
#include "platform/wayland/WaylandPlatform.h"
#include "platform/x11/X11Platform.h"

#include <QDBusConnection>

namespace velto {

std::unique_ptr<PlatformAdapters> createSessionPlatform(DesktopLauncher& launcher,
                                                        UserPreferencesStore& preferences)
{
    if (currentSessionType() == SessionType::wayland) {
        ClientLogger::info(u"session: wayland");
        return std::make_unique<WaylandPlatform>(QDBusConnection::sessionBus(), launcher,
                                                 preferences);
    }
    ClientLogger::info(u"session: x11");
    return std::make_unique<X11Platform>(launcher);
}

} // namespace velto
