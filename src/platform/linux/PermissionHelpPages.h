#pragma once

#include <QString>
#include <QUrl>

namespace velto {

// Local help pages that stand in for the system settings panes of the two permissions: Linux has
// none, so the page explains what the app needs from the session instead.
class PermissionHelpPages
{
public:
    enum class Page
    {
        inputMonitoring,
        accessibility
    };

    // Empty directory: $XDG_CACHE_HOME/velto/help.
    explicit PermissionHelpPages(QString directory = {});

    // A file URL of the page, written out from the app's resources; empty when it cannot be.
    QUrl url(Page page) const;

private:
    QString m_directory;
};

} // namespace velto
