#pragma once

#include "platform/RunningApplication.h"

#include <QString>
#include <QUrl>
#include <optional>

namespace velto {

// The desktop around the app: which application is in front, bringing one back, and handing
// URLs and files to the user's default applications.
class Workspace
{
public:
    virtual ~Workspace() = default;
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    virtual bool isTerminated(const RunningApplication& application) = 0;
    // Brings the application to the front, ignoring other applications.
    virtual void activate(const RunningApplication& application) = 0;
    // True when the URL was handed to an application.
    virtual bool openURL(const QUrl& url) = 0;
    virtual bool openDirectory(const QString& path) = 0;
    // Shows the file or folder selected in the file manager.
    virtual void revealInFileViewer(const QString& path) = 0;
};

} // namespace velto
