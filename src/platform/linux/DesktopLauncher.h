#pragma once

#include <QString>
#include <QUrl>

namespace velto {

// Hands URLs to the user's default applications (xdg-open).
class DesktopLauncher
{
public:
    virtual ~DesktopLauncher() = default;
    virtual bool openURL(const QUrl& url);
};

} // namespace velto
