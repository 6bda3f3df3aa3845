#include "platform/linux/XdgAutostart.h"

#include "platform/AutostartError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

namespace velto {

XdgAutostart::XdgAutostart(QString configDirectory, QString executable)
    : m_configDirectory(std::move(configDirectory)), m_executable(std::move(executable))
{
    if (m_configDirectory.isEmpty())
        m_configDirectory = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (m_executable.isEmpty())
        m_executable = QCoreApplication::applicationFilePath();
}

QString XdgAutostart::entryPath() const
{
    return m_configDirectory + QStringLiteral("/autostart/") + fileName;
}

AutostartStatus XdgAutostart::status()
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return AutostartStatus::notRegistered;
    bool inEntry = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(4096).trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (inEntry && equals > 0 && line.left(equals).trimmed() == "Hidden" &&
            line.mid(equals + 1).trimmed() == "true")
            return AutostartStatus::notRegistered;
    }
    return AutostartStatus::enabled;
}

std::optional<QString> XdgAutostart::execArgument(const QString& executable)
{
    if (executable.isEmpty() || executable.contains(QLatin1Char('\n')) ||
        executable.contains(QLatin1Char('\r')))
        return std::nullopt;
    static const QString reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
    bool quote = false;
    for (QChar c : executable)
        quote = quote || reserved.contains(c);
    QString argument;
    for (QChar c : executable) {
        if (c == QLatin1Char('%'))
            argument += QStringLiteral("%%");
        else if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            argument += QLatin1Char('\\') + c;
        else
            argument += c;
    }
    if (quote)
        argument = QLatin1Char('"') + argument + QLatin1Char('"');
    // The entry's string escaping comes on top: every backslash is written twice.
    argument.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return argument;
}

void XdgAutostart::registerApp()
{
    const std::optional<QString> exec = execArgument(m_executable);
    if (!exec)
        throw AutostartError::registerFailed(QCoreApplication::translate(
            "XdgAutostart", "The app's location cannot be written into an autostart entry."));
    const QString directory = m_configDirectory + QStringLiteral("/autostart");
    if (!QDir().mkpath(directory)) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        //: %1 is a folder, %2 the system's reason
        throw AutostartError::registerFailed(
            QCoreApplication::translate("XdgAutostart", "Could not create %1: %2")
                .arg(directory, reason));
    }
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly))
        throw AutostartError::registerFailed(file.errorString());
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Velto\n"
                                         "Comment=Rewrite selected text in place\n"
                                         "Exec=%1\n"
                                         "Icon=app.velto.Velto\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(*exec);
    file.write(entry.toUtf8());
    if (!file.commit())
        throw AutostartError::registerFailed(file.errorString());
}

void XdgAutostart::unregisterApp()
{
    QFile file(entryPath());
    if (!file.exists())
        return;
    if (!file.remove())
        throw AutostartError::unregisterFailed(file.errorString());
}

} // namespace velto
