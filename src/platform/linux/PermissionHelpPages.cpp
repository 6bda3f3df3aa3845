#include "platform/linux/PermissionHelpPages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

static void initHelpResources()
{
    Q_INIT_RESOURCE(help);
}

namespace velto {

namespace {

// The executable's real folder (symbolic links resolved), with or without an application object.
QString executableDirectory()
{
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

} // namespace

PermissionHelpPages::PermissionHelpPages(QString directory, QString installedDirectory)
    : m_directory(std::move(directory)), m_installedDirectory(std::move(installedDirectory))
{
    if (m_directory.isEmpty())
        m_directory = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                      QStringLiteral("/velto/help");
    if (m_installedDirectory.isEmpty())
        m_installedDirectory = QDir::cleanPath(executableDirectory() + QLatin1Char('/') +
                                               QStringLiteral(VELTO_HELP_FROM_BINDIR));
}

QString PermissionHelpPages::fileName(Page page)
{
    return page == Page::globalShortcut ? QStringLiteral("global-shortcut.html")
                                        : QStringLiteral("text-replacement.html");
}

QString PermissionHelpPages::installedPath(Page page) const
{
    const QFileInfo installed(m_installedDirectory + QLatin1Char('/') + fileName(page));
    return installed.isFile() && installed.isReadable() ? installed.absoluteFilePath() : QString();
}

QUrl PermissionHelpPages::url(Page page) const
{
    // Installed pages are opened where they are: readable by every browser, nothing to write.
    const QString installed = installedPath(page);
    if (!installed.isEmpty())
        return QUrl::fromLocalFile(installed);

    initHelpResources();
    const QString name = fileName(page);
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
