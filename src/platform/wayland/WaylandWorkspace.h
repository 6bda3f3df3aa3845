#pragma once

#include "platform/Workspace.h"

namespace velto {

class DesktopLauncher;

// Wayland tells a client nothing about other windows: there is no active application to
// read and no way to bring one to the front. activeApplication() is therefore always none,
// which the paste-back treats as "unchanged": a paste goes to whatever window has the focus
// when it is posted, so a switch to another window during the rewrite is not noticed. URLs and
// files still go to the desktop's default handlers.
class WaylandWorkspace : public Workspace
{
public:
    explicit WaylandWorkspace(DesktopLauncher& launcher);

    std::optional<RunningApplication> activeApplication() override;
    bool isTerminated(const RunningApplication& application) override;
    void activate(const RunningApplication& application) override;
    QCoro::Task<bool> waitUntilActive(const RunningApplication& application,
                                      std::chrono::milliseconds maximum) override;
    bool openURL(const QUrl& url) override;

private:
    DesktopLauncher& m_launcher;
};

} // namespace velto
