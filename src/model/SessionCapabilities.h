#pragma once

#include "model/ShortcutKeys.h"

#include <QList>
#include <QString>

namespace velto {

// How a global shortcut reaches Velto in this session.
enum class GlobalShortcutRoute
{
    // A passive grab on the X server.
    keyGrab,
    // The desktop's GlobalShortcuts portal.
    desktopPortal,
    // A shortcut of the desktop's own settings that runs `velto --trigger`.
    desktopCustomShortcut,
    unavailable
};

// What the session offers for the two things a rewrite needs: seeing the shortcut and putting
// the rewritten text in place of the selection.
struct SessionCapabilities
{
    GlobalShortcutRoute shortcutRoute = GlobalShortcutRoute::unavailable;
    // Why there is no shortcut route, as a sentence for the user; empty when there is one.
    QString shortcutProblem;
    // The session refused the chosen combination: another program holds it.
    bool shortcutTaken = false;
    // Combinations known to be bound elsewhere (the desktop's own, or refused by the session).
    QList<ParsedShortcut> unavailableShortcuts;
    // The session is GNOME with no shortcut portal: Velto can add its custom shortcut there.
    bool canAddDesktopShortcut = false;
    // The custom shortcut in the desktop's settings is Velto's own (so Velto may remove it).
    bool ownsDesktopShortcut = false;

    // Replacing through the accessibility bus (AT-SPI EditableText).
    bool accessibilityReplacement = false;
    // Replacing through a synthetic paste: XTest on X11, the RemoteDesktop portal with a
    // data-control clipboard on Wayland.
    bool pasteReplacement = false;
    // Why neither works, as a sentence for the user; empty when one does.
    QString replacementProblem;

    bool shortcutWorks() const
    {
        return shortcutRoute != GlobalShortcutRoute::unavailable && !shortcutTaken;
    }
    bool replacementWorks() const { return accessibilityReplacement || pasteReplacement; }
    bool operator==(const SessionCapabilities&) const = default;
};

} // namespace velto
