#pragma once

#include "platform/RunningApplication.h"

#include <QString>
#include <QUrl>
#include <chrono>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velto {

// The desktop around the app: which application is in front, bringing one back, and handing
// URLs to the user's default applications.
class Workspace
{
public:
    virtual ~Workspace() = default;
    virtual std::optional<RunningApplication> activeApplication() = 0;
    virtual bool isTerminated(const RunningApplication& application) = 0;
    // Brings the application to the front, ignoring other applications.
    virtual void activate(const RunningApplication& application) = 0;
    // Resolves true once the application's window is the active one (at once when it is), false
    // when `maximum` passed first (always, where the desktop does not say which one is active).
    virtual QCoro::Task<bool> waitUntilActive(const RunningApplication& application,
                                              std::chrono::milliseconds maximum) = 0;
    // True when the URL was handed to an application.
    virtual bool openURL(const QUrl& url) = 0;
};

} // namespace velto
