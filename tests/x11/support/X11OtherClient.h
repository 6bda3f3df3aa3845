#pragma once

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11SelectionOwner.h"
#include "platform/x11/X11SelectionReader.h"

namespace velto::test {

// Another client: the application whose data is on the user's clipboard, and a reader that
// checks what the clipboard serves afterwards.
struct X11OtherClient
{
    X11Connection connection;
    X11SelectionOwner clipboard{connection, connection.atom("CLIPBOARD")};
    X11SelectionReader reader{connection};
    X11SelectionOwner::Contents userContents;

    // Text in two encodings, binary with NULs, 32-bit items and a large random part.
    explicit X11OtherClient(qsizetype largeSize = 1536 * 1024);
    bool ownUserClipboard() { return clipboard.own(userContents); }
    // Empty when the clipboard serves exactly the user's targets, types, formats and bytes;
    // else the first difference.
    QString clipboardDifference();
    bool clipboardHasOwner();
};

} // namespace velto::test
