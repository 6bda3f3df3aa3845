#include "platform/x11/X11TerminalClasses.h"

namespace velto {

const QStringList& X11TerminalClasses::known()
{
    // Lower case; compared case-insensitively.
    static const QStringList classes{
        "alacritty",
        "cool-retro-term",
        "deepin-terminal",
        "eterm",
        "foot",
        "gnome-terminal",
        "gnome-terminal-server",
        "guake",
        "kgx",
        "org.gnome.console",
        "kitty",
        "konsole",
        "lxterminal",
        "mate-terminal",
        "qterminal",
        "roxterm",
        "rxvt",
        "sakura",
        "st",
        "st-256color",
        "terminator",
        "terminology",
        "tilda",
        "tilix",
        "urxvt",
        "uxterm",
        "wezterm",
        "org.wezfurlong.wezterm",
        "xfce4-terminal",
        "xterm",
        "yakuake",
        "zutty",
        "ghostty",
        "com.mitchellh.ghostty",
    };
    return classes;
}

bool X11TerminalClasses::isTerminal(const QStringList& wmClass)
{
    for (const QString& part : wmClass) {
        if (known().contains(part.toLower()))
            return true;
    }
    return false;
}

} // namespace velto
