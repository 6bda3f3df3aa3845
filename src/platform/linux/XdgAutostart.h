#pragma once

#include "platform/Autostart.h"

#include <QString>

namespace velto {

// The login item as an XDG autostart entry, $XDG_CONFIG_HOME/autostart/app.velto.Velto.desktop:
// enabled while the file exists and is not Hidden=true.
class XdgAutostart : public Autostart
{
public:
    static inline const QString fileName = QStringLiteral("app.velto.Velto.desktop");

    // Empty arguments: $XDG_CONFIG_HOME (or ~/.config) and this process's executable.
    explicit XdgAutostart(QString configDirectory = {}, QString executable = {});

    AutostartStatus status() override;
    void registerApp() override;
    void unregisterApp() override;

    QString entryPath() const;
    // The executable as one argument of an Exec line (quoted and escaped as the entry format
    // requires); none when it cannot be written there.
    static std::optional<QString> execArgument(const QString& executable);

private:
    QString m_configDirectory;
    QString m_executable;
};

} // namespace velto
