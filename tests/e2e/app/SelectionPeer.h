#pragma once

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11SelectionOwner.h"
#include "platform/x11/X11SelectionReader.h"

#include <QList>
#include <QString>
#include <optional>

namespace velto::test {

// Another client on the display: the application whose data is on the user's clipboard, a
// reader of what the selections serve, and a prober of the shortcut's grab.
class SelectionPeer
{
public:
    SelectionPeer();

    // What the user copied before: text with CRLF line ends and a PNG, byte for byte.
    X11SelectionOwner::Contents userContents();
    // Takes the clipboard with userContents() and notes the targets it then serves.
    bool ownClipboard();
    // Someone else took the clipboard since ownClipboard().
    bool lostClipboard() const { return !m_owner.owns(); }
    // Empty when the clipboard serves exactly what ownClipboard() served (the same targets, and
    // for each data target the same type, format and bytes); else what differs.
    QString clipboardDifference();
    // The text of the PRIMARY selection (what is selected now), if any client owns it.
    std::optional<QString> primaryText();
    // Whether some client holds the passive grab of Super+letter on the root window: X has no
    // query for grabs, so it tries the grab itself and lets go at once.
    bool shortcutGrabbed(char letter = 'l');

private:
    X11Connection m_connection;
    X11SelectionOwner m_owner;
    X11SelectionReader m_reader;
    X11Keymap m_keymap;
    QList<std::uint32_t> m_targets;
};

} // namespace velto::test
