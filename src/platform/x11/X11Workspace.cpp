#include "platform/x11/X11Workspace.h"

#include "platform/linux/DesktopLauncher.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Windows.h"

#include <cerrno>
#include <signal.h>
#include <xcb/xcb.h>

namespace velto {

X11Workspace::X11Workspace(X11Connection& connection, X11Windows& windows,
                           DesktopLauncher& launcher)
    : m_connection(connection), m_windows(windows), m_launcher(launcher)
{
    if (!m_connection.isConnected())
        return;
    // No other part of the app selects core events on the root window, so this mask is ours.
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection.xcb(), m_connection.root(), XCB_CW_EVENT_MASK, &mask);
    m_connection.flush();
    const std::uint32_t activeWindow = m_connection.atom("_NET_ACTIVE_WINDOW");
    m_handlerId = m_connection.addEventHandler([this, activeWindow](const xcb_generic_event_t* e) {
        if ((e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            return;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(e);
        if (notify->window == m_connection.root() && notify->atom == activeWindow)
            m_activeChanged.notify();
    });
}

X11Workspace::~X11Workspace()
{
    if (m_handlerId)
        m_connection.removeEventHandler(m_handlerId);
}

QCoro::Task<bool> X11Workspace::waitUntilActive(const RunningApplication& application,
                                                std::chrono::milliseconds maximum)
{
    if (!m_connection.isConnected())
        co_return false;
    const auto window = static_cast<std::uint32_t>(application.handle);
    co_return co_await m_activeChanged.waitUntil(
        [this, window] { return m_windows.activeWindow() == window; }, maximum);
}

std::optional<RunningApplication> X11Workspace::activeApplication()
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

} // namespace velto
