#pragma once

#include <QString>
#include <QUrl>

namespace velto {

// Hands URLs, folders and files to the user's default applications (xdg-open, the file
// manager's D-Bus interface).
class DesktopLauncher
{
public:
    virtual ~DesktopLauncher() = default;
    virtual bool openURL(const QUrl& url);
    virtual bool openDirectory(const QString& path);
    // Selects the item in the file manager where it offers org.freedesktop.FileManager1, else
    // opens the folder that holds it.
    virtual void revealInFileViewer(const QString& path);
};

} // namespace velto
