#include "platform/linux/DesktopLauncher.h"

#include <QDesktopServices>

namespace velto {

bool DesktopLauncher::openURL(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace velto
