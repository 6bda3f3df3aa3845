#pragma once

#include "platform/StateWaiter.h"
#include "platform/Workspace.h"

namespace velto {

class DesktopLauncher;
class X11Connection;
class X11Windows;

// The active application is the EWMH active window's client; URLs and files go through the
// desktop's default handlers.
class X11Workspace : public Workspace
{
public:
    X11Workspace(X11Connection& connection, X11Windows& windows, DesktopLauncher& launcher);
    ~X11Workspace() override;
    X11Workspace(const X11Workspace&) = delete;
    X11Workspace& operator=(const X11Workspace&) = delete;

    std::optional<RunningApplication> activeApplication() override;
    bool isTerminated(const RunningApplication& application) override;
    void activate(const RunningApplication& application) override;
    // Watches the window manager's _NET_ACTIVE_WINDOW on the root window.
    QCoro::Task<bool> waitUntilActive(const RunningApplication& application,
                                      std::chrono::milliseconds maximum) override;
    bool openURL(const QUrl& url) override;

private:
    X11Connection& m_connection;
    X11Windows& m_windows;
    DesktopLauncher& m_launcher;
    StateWaiter m_activeChanged;
    int m_handlerId = 0;
};

} // namespace velto
