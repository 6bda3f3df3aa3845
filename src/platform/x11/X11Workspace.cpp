#include "platform/x11/X11Workspace.h"

#include "platform/linux/DesktopLauncher.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Windows.h"

#include <cerrno>
#include <signal.h>

namespace velto {

X11Workspace::X11Workspace(X11Connection& connection, X11Windows& windows,
                           DesktopLauncher& launcher)
    : m_connection(connection), m_windows(windows), m_launcher(launcher)
{
}

std::optional<RunningApplication> X11Workspace::frontmostApplication()
{
    const std::uint32_t window = m_windows.activeWindow();
    if (!window)
        return std::nullopt;
    const QStringList wmClass = m_windows.wmClass(window);
    return RunningApplication{m_windows.processId(window), window,
                              wmClass.isEmpty() ? QString() : wmClass.last()};
}

bool X11Workspace::isTerminated(const RunningApplication& application)
{
    if (!m_windows.exists(static_cast<std::uint32_t>(application.handle)))
        return true;
    // The window may outlive its process for a moment (or belong to a remote client).
    return application.processIdentifier > 0 &&
           ::kill(static_cast<pid_t>(application.processIdentifier), 0) != 0 && errno == ESRCH;
}

void X11Workspace::activate(const RunningApplication& application)
{
    m_windows.activate(static_cast<std::uint32_t>(application.handle), 0);
}

bool X11Workspace::openURL(const QUrl& url)
{
    return m_launcher.openURL(url);
}

bool X11Workspace::openDirectory(const QString& path)
{
    return m_launcher.openDirectory(path);
}

void X11Workspace::revealInFileViewer(const QString& path)
{
    m_launcher.revealInFileViewer(path);
}

} // namespace velto
