#pragma once

#include <QKeyCombination>
#include <QList>
#include <optional>

namespace velto {

// A shortcut of the desktop's own settings that runs `velto --trigger`.
struct TriggerShortcut
{
    // Its keys, when they are Super with a letter (and Shift); none for any other keys.
    std::optional<QKeyCombination> combination;
    // Velto added it (and so may change or remove it); otherwise the user did.
    bool ownedByVelto = false;
    bool operator==(const TriggerShortcut&) const = default;
};

// The desktop's own keyboard shortcuts: the Super combinations it binds itself, and, where it
// lets a program add one of its custom shortcuts (GNOME), the one that runs `velto --trigger`.
class DesktopShortcuts
{
public:
    virtual ~DesktopShortcuts() = default;
    // Super+letter combinations (with or without Shift) the desktop binds (lock screen,
    // launchers, the user's custom shortcuts); empty where it cannot tell.
    virtual QList<QKeyCombination> reservedShortcuts() = 0;
    // Velto can add its own custom shortcut to this desktop's settings.
    virtual bool supportsCustomShortcut() = 0;
    // A custom shortcut running `velto --trigger`, Velto's own first; none when there is none.
    virtual std::optional<TriggerShortcut> triggerShortcut() = 0;
    // Adds Velto's custom shortcut, or moves it to this combination (Super with a letter, and
    // Shift); the desktop's other shortcuts are left as they are. Throws DesktopShortcutsError's
    // errors.
    virtual void setCustomShortcut(QKeyCombination combination) = 0;
    // Removes Velto's custom shortcut, if there is one. Throws DesktopShortcutsError's errors.
    virtual void removeCustomShortcut() = 0;
};

} // namespace velto
