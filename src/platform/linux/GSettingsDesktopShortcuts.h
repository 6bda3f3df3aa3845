#pragma once

#include "platform/DesktopShortcuts.h"

#include <QString>
#include <QStringList>

namespace velto {

// GNOME's and Cinnamon's keyboard shortcuts through GIO's GSettings (dconf on a desktop; any
// backend GSETTINGS_BACKEND names). Reads the keybinding schemas of the desktop the session
// runs, when they are installed; writes Velto's GNOME custom shortcut under a path of its own,
// so the user's other custom shortcuts are never touched.
class GSettingsDesktopShortcuts : public DesktopShortcuts
{
public:
    // In the user's language; the entry is known by its path and command, never by its name.
    static QString customShortcutName();
    static inline const QString customShortcutPath =
        QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/velto/");

    // currentDesktop: XDG_CURRENT_DESKTOP ("GNOME", "ubuntu:GNOME", "X-Cinnamon", ...); the
    // executable runs as `<executable> --trigger`.
    GSettingsDesktopShortcuts(const QString& currentDesktop, QString executable);

    QList<QKeyCombination> reservedShortcuts() override;
    bool supportsCustomShortcut() override;
    std::optional<TriggerShortcut> triggerShortcut() override;
    void setCustomShortcut(QKeyCombination combination) override;
    void removeCustomShortcut() override;

    // "<Super>l", "<Shift><Mod4>L": Super+letter with or without Shift; none for anything else.
    static std::optional<QKeyCombination> parseAccelerator(const QString& accelerator);
    // "<Super><Shift>l" for Super+Shift+L; none for a combination that is not Super with a
    // letter (and Shift).
    static std::optional<QString> accelerator(QKeyCombination combination);
    // The command the custom shortcut runs.
    QString command() const;

private:
    bool m_gnome = false;
    bool m_cinnamon = false;
    QString m_executable;
};

} // namespace velto
