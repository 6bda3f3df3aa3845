#pragma once

#include <QLocale>
#include <QString>
#include <QUrl>

namespace velto {

// Local help pages for the two capabilities, the global shortcut and text replacement: what each
// needs from the session, and what to do where the session lacks it.
class CapabilityHelpPages
{
public:
    enum class Page
    {
        globalShortcut,
        textReplacement
    };

    // Empty directory: $XDG_CACHE_HOME/velto/help. Empty installed directory: the one installed
    // beside this executable (<prefix>/share/velto/help for <prefix>/bin/velto). The pages are
    // in the locale's language where there is a copy in it ("de/global-shortcut.html").
    explicit CapabilityHelpPages(QString directory = {}, QString installedDirectory = {},
                                 QLocale locale = QLocale());

    // A file URL of the page: the installed one when there is one, else written out from the
    // app's resources; empty when neither can be had.
    QUrl url(Page page) const;

    // The installed page's path; empty when it is not installed (a build folder).
    QString installedPath(Page page) const;

    static QString fileName(Page page);

private:
    // The page's path under a help folder, in the first of the locale's languages that has one.
    QString localizedName(Page page, const QString& folder) const;

    QString m_directory;
    QString m_installedDirectory;
    QLocale m_locale;
};

} // namespace velto
