#pragma once

#include "model/SessionCapabilities.h"

namespace velto {

// What the session lets the app do for its two capabilities: the "Global shortcut" (seeing the
// combination pressed in any application) and "Text replacement" (putting the rewritten text in
// place of the selection). The yes/no answers are the listener's switches; capabilities() says
// how each works here, or why it does not, for the user.
class SessionAccess
{
public:
    virtual ~SessionAccess() = default;
    // The session delivers the shortcut to us. Never asks the user.
    virtual bool shortcutAvailable() = 0;
    // Asks the session for the shortcut, where it has a way to ask (the desktop may show its
    // own dialog); the answer may come later.
    virtual void requestShortcut() = 0;
    // Synthetic keys reach the application in front, with our text on the clipboard: the paste
    // route of text replacement. Never asks the user.
    virtual bool syntheticPasteAvailable() = 0;
    // Asks the session for synthetic keys where it has a way to ask; returns whether they are
    // available now (a desktop's answer may come later).
    virtual bool requestSyntheticPaste() = 0;
    // The session's routes for both capabilities. Never asks, never blocks for long.
    virtual SessionCapabilities capabilities() = 0;
};

} // namespace velto
