#include "platform/wayland/WaylandKeyMonitor.h"

namespace velto {

bool WaylandKeyMonitor::install(Handler)
{
    return false;
}

void WaylandKeyMonitor::remove() {}

} // namespace velto
