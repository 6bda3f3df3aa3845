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

    // Empty directory: $XDG_CACHE_HOME/velto/help. Empty installed directory: the one installed
    // beside this executable (<prefix>/share/velto/help for <prefix>/bin/velto).
    explicit PermissionHelpPages(QString directory = {}, QString installedDirectory = {});

    // A file URL of the page: the installed one when there is one, else written out from the
    // app's resources; empty when neither can be had.
    QUrl url(Page page) const;

    // The installed page's path; empty when it is not installed (a build folder).
    QString installedPath(Page page) const;

    static QString fileName(Page page);

private:
    QString m_directory;
    QString m_installedDirectory;
};

} // namespace velto
