#pragma once

#include "platform/GlobalKeyMonitor.h"

namespace velto {

// Wayland lets no client watch the keys of other applications: there is no fallback monitor,
// only the desktop's shortcut (the portal, or `velto --trigger` bound in its settings).
class WaylandKeyMonitor : public GlobalKeyMonitor
{
public:
    bool install(Handler handler) override;
    void remove() override;
};

} // namespace velto
