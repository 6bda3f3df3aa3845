#include "platform/linux/PermissionHelpPages.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

static void initHelpResources()
{
    Q_INIT_RESOURCE(help);
}

namespace velto {

PermissionHelpPages::PermissionHelpPages(QString directory) : m_directory(std::move(directory))
{
    if (m_directory.isEmpty())
        m_directory = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                      QStringLiteral("/velto/help");
}

QUrl PermissionHelpPages::url(Page page) const
{
    initHelpResources();
    const QString name = page == Page::inputMonitoring ? QStringLiteral("input-monitoring.html")
                                                       : QStringLiteral("accessibility.html");
    QFile source(QStringLiteral(":/velto/help/") + name);
    if (!source.open(QIODevice::ReadOnly))
        return {};
    const QByteArray html = source.readAll();
    const QString path = m_directory + QLatin1Char('/') + name;

    // A browser cannot open the app's resources: the page goes to a file, rewritten only when
    // it differs (another version of the app may have left an older one).
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == html)
        return QUrl::fromLocalFile(path);
    existing.close();
    if (!QDir().mkpath(m_directory))
        return {};
    QSaveFile target(path);
    if (!target.open(QIODevice::WriteOnly) || target.write(html) != html.size() || !target.commit())
        return {};
    return QUrl::fromLocalFile(path);
}

} // namespace velto
