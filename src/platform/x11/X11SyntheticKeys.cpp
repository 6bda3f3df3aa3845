#include "platform/x11/X11SyntheticKeys.h"

#include "model/ShortcutKeys.h"
#include "platform/KeyPress.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11TerminalClasses.h"
#include "platform/x11/X11Windows.h"

#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace velto {

namespace {
constexpr std::uint32_t XK_Shift_L = 0xffe1;
constexpr std::uint32_t XK_Control_L = 0xffe3;
constexpr std::uint32_t XK_Alt_L = 0xffe9;
constexpr std::uint16_t copyKeyCode = 8;
constexpr std::uint16_t pasteKeyCode = 9;
} // namespace

X11SyntheticKeys::X11SyntheticKeys(X11Connection& connection, X11Keymap& keymap,
                                   X11Windows& windows)
    : m_connection(connection), m_keymap(keymap), m_windows(windows)
{
}

bool X11SyntheticKeys::isAvailable()
{
    return m_connection.isConnected() && m_connection.hasXTest();
}

bool X11SyntheticKeys::canPost(std::uint16_t keyCode)
{
    return isAvailable() && m_keymap.keycodeForModelKeyCode(keyCode).has_value();
}

void X11SyntheticKeys::fake(bool press, std::uint8_t keycode)
{
    xcb_test_fake_input(m_connection.xcb(), press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode,
                        XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
}

void X11SyntheticKeys::releaseHeldModifiers()
{
    xcb_connection_t* c = m_connection.xcb();
    auto* reply = xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr);
    if (!reply)
        return;
    for (std::uint8_t code : m_keymap.modifierKeycodes()) {
        if (reply->keys[code / 8] & (1u << (code % 8)))
            fake(false, code);
    }
    std::free(reply);
}

QList<std::uint8_t> X11SyntheticKeys::modifierKeysFor(std::uint16_t keyCode, std::uint64_t flags)
{
    bool control = flags & (KeyModifier::command | KeyModifier::control);
    bool shift = flags & KeyModifier::shift;
    if ((flags & KeyModifier::command) && (keyCode == copyKeyCode || keyCode == pasteKeyCode) &&
        X11TerminalClasses::isTerminal(m_windows.wmClass(m_windows.activeWindow())))
        shift = true;
    QList<std::uint8_t> keys;
    auto add = [&](std::uint32_t keysym) {
        if (auto code = m_keymap.keycodeForKeysym(keysym))
            keys << *code;
    };
    if (control)
        add(XK_Control_L);
    if (shift)
        add(XK_Shift_L);
    if (flags & KeyModifier::option)
        add(XK_Alt_L);
    return keys;
}

void X11SyntheticKeys::post(std::uint16_t keyCode, std::uint64_t flags, bool keyDown)
{
    if (!isAvailable())
        return;
    const auto key = m_keymap.keycodeForModelKeyCode(keyCode);
    if (!key)
        return;
    if (keyDown) {
        releaseHeldModifiers();
        m_pressedModifiers = modifierKeysFor(keyCode, flags);
        for (std::uint8_t code : m_pressedModifiers)
            fake(true, code);
        fake(true, *key);
    } else {
        fake(false, *key);
        for (auto it = m_pressedModifiers.crbegin(); it != m_pressedModifiers.crend(); ++it)
            fake(false, *it);
        m_pressedModifiers.clear();
    }
    m_connection.flush();
}

} // namespace velto
