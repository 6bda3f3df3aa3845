#include "platform/linux/CapabilityHelpPages.h"

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

CapabilityHelpPages::CapabilityHelpPages(QString directory, QString installedDirectory,
                                         QLocale locale)
    : m_directory(std::move(directory)), m_installedDirectory(std::move(installedDirectory)),
      m_locale(std::move(locale))
{
    if (m_directory.isEmpty())
        m_directory = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                      QStringLiteral("/velto/help");
    if (m_installedDirectory.isEmpty())
        m_installedDirectory = QDir::cleanPath(executableDirectory() + QLatin1Char('/') +
                                               QStringLiteral(VELTO_HELP_FROM_BINDIR));
}

QString CapabilityHelpPages::fileName(Page page)
{
    return page == Page::globalShortcut ? QStringLiteral("global-shortcut.html")
                                        : QStringLiteral("text-replacement.html");
}

QString CapabilityHelpPages::localizedName(Page page, const QString& folder) const
{
    for (const QString& language : m_locale.uiLanguages()) {
        // "de-DE" and "de" both look in de/; the English pages are the ones at the top.
        const QString code = language.section(QLatin1Char('-'), 0, 0).toLower();
        if (code == u"en" || code == u"c")
            break;
        const QString name = code + QLatin1Char('/') + fileName(page);
        if (QFileInfo(folder + QLatin1Char('/') + name).isFile())
            return name;
    }
    return fileName(page);
}

QString CapabilityHelpPages::installedPath(Page page) const
{
    const QFileInfo installed(m_installedDirectory + QLatin1Char('/') +
                              localizedName(page, m_installedDirectory));
    return installed.isFile() && installed.isReadable() ? installed.absoluteFilePath() : QString();
}

QUrl CapabilityHelpPages::url(Page page) const
{
    // Installed pages are opened where they are: readable by every browser, nothing to write.
    const QString installed = installedPath(page);
    if (!installed.isEmpty())
        return QUrl::fromLocalFile(installed);

    initHelpResources();
    const QString name = localizedName(page, QStringLiteral(":/velto/help"));
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
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return {};
    QSaveFile target(path);
    if (!target.open(QIODevice::WriteOnly) || target.write(html) != html.size() || !target.commit())
        return {};
    return QUrl::fromLocalFile(path);
}

} // namespace velto
