#include "platform/wayland/WaylandWorkspace.h"

#include "platform/linux/DesktopLauncher.h"

#include <qcoro/qcorotimer.h>

namespace velto {

WaylandWorkspace::WaylandWorkspace(DesktopLauncher& launcher) : m_launcher(launcher) {}

std::optional<RunningApplication> WaylandWorkspace::activeApplication()
{
    return std::nullopt;
}

bool WaylandWorkspace::isTerminated(const RunningApplication&)
{
    return false;
}

void WaylandWorkspace::activate(const RunningApplication&) {}

QCoro::Task<bool> WaylandWorkspace::waitUntilActive(const RunningApplication&,
                                                    std::chrono::milliseconds maximum)
{
    co_await QCoro::sleepFor(maximum);
    co_return false;
}

bool WaylandWorkspace::openURL(const QUrl& url)
{
    return m_launcher.openURL(url);
}

} // namespace velto
