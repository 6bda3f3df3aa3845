#pragma once

#include "platform/TimerSleeper.h"
#include "platform/linux/AtspiFocusedSelection.h"
#include "platform/linux/DesktopLauncher.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyMonitor.h"
#include "platform/x11/X11KeyTap.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11SessionAccess.h"
#include "platform/x11/X11SyntheticKeys.h"
#include "platform/x11/X11Windows.h"
#include "platform/x11/X11Workspace.h"
#include "system/HotkeyManager.h"
#include "system/SelectionService.h"

#include <cstdlib>

namespace velto::test {

// Forwards to the real keys and counts the copies, so a test can tell which route read the
// selection, and the pastes and every key pressed.
struct CountingKeys : SyntheticKeys
{
    explicit CountingKeys(SyntheticKeys& keys) : keys(keys) {}
    SyntheticKeys& keys;
    int copies = 0;
    int pastes = 0;
    int presses = 0;

    bool isAvailable() override { return keys.isAvailable(); }
    bool canPost(QKeyCombination chord) override { return keys.canPost(chord); }
    void post(QKeyCombination chord, bool keyDown) override
    {
        keys.post(chord, keyDown);
        copies += keyDown && chord == SelectionService::copyChord;
        pastes += keyDown && chord == SelectionService::pasteChord;
        presses += keyDown;
    }
};

// Velto's side on the real X11 adapters, as the app builds it at launch: shortcut, selection,
// paste-back. Counts the shortcut's presses until a test sets its own handler.
struct X11Rig
{
    X11Connection connection;
    X11Keymap keymap{connection};
    X11Windows windows{connection};
    X11SessionAccess sessionAccess{connection};
    X11KeyTap tap{connection, keymap};
    X11KeyMonitor monitor{connection, keymap};
    HotkeyManager hotkeys{sessionAccess, tap, monitor};
    X11Clipboard clipboard{connection};
    X11SyntheticKeys realKeys{connection, keymap, windows};
    CountingKeys keys{realKeys};
    DesktopLauncher launcher;
    X11Workspace workspace{connection, windows, launcher};
    AtspiFocusedSelection focused{workspace};
    TimerSleeper sleeper;
    SelectionService service{focused, clipboard, keys, workspace, sleeper};
    int presses = 0;

    X11Rig()
    {
        hotkeys.onHotkey = [this] { ++presses; };
        // As at launch: focus events are followed from here on.
        focused.warmUp();
    }

    // Every event the server sent before now has been handled: a reply on this connection
    // comes after them.
    void sync()
    {
        free(xcb_get_input_focus_reply(connection.xcb(), xcb_get_input_focus(connection.xcb()),
                                       nullptr));
        connection.processPendingEvents();
    }
};

} // namespace velto::test
