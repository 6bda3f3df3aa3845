#pragma once

#include "platform/Workspace.h"

namespace velto {

class DesktopLauncher;
class X11Connection;
class X11Windows;

// The frontmost application is the EWMH active window's client; URLs and files go through the
// desktop's default handlers.
class X11Workspace : public Workspace
{
public:
    X11Workspace(X11Connection& connection, X11Windows& windows, DesktopLauncher& launcher);

    std::optional<RunningApplication> frontmostApplication() override;
    bool isTerminated(const RunningApplication& application) override;
    void activate(const RunningApplication& application) override;
    bool openURL(const QUrl& url) override;
    bool openDirectory(const QString& path) override;
    void revealInFileViewer(const QString& path) override;

private:
    X11Connection& m_connection;
    X11Windows& m_windows;
    DesktopLauncher& m_launcher;
};

} // namespace velto
