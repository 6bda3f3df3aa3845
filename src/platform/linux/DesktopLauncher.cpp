#include "platform/linux/DesktopLauncher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>

namespace velto {

bool DesktopLauncher::openURL(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    return QDesktopServices::openUrl(url);
}

bool DesktopLauncher::openDirectory(const QString& path)
{
    return openURL(QUrl::fromLocalFile(path));
}

void DesktopLauncher::revealInFileViewer(const QString& path)
{
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    const bool available = daemon && (daemon->isServiceRegistered(service).value() ||
                                      daemon->activatableServiceNames().value().contains(service));
    if (available) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                           service, QStringLiteral("ShowItems"));
        call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
        // Nobody waits on the file manager starting up.
        if (bus.send(call))
            return;
    }
    openDirectory(QFileInfo(path).absolutePath());
}

} // namespace velto
