#include "platform/x11/X11SyntheticKeys.h"

#include "platform/linux/Keysyms.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11TerminalClasses.h"
#include "platform/x11/X11Windows.h"

#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace velto {

X11SyntheticKeys::X11SyntheticKeys(X11Connection& connection, X11Keymap& keymap,
                                   X11Windows& windows)
    : m_connection(connection), m_keymap(keymap), m_windows(windows)
{
}

bool X11SyntheticKeys::isAvailable()
{
    return m_connection.isConnected() && m_connection.hasXTest();
}

bool X11SyntheticKeys::canPost(QKeyCombination chord)
{
    return isAvailable() && m_keymap.keycodeForKey(chord.key()).has_value();
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

QKeyCombination X11SyntheticKeys::chordFor(QKeyCombination chord, const QStringList& windowClass)
{
    const bool copyOrPaste = chord.keyboardModifiers() == Qt::ControlModifier &&
                             (chord.key() == Qt::Key_C || chord.key() == Qt::Key_V);
    if (!copyOrPaste || !X11TerminalClasses::isTerminal(windowClass))
        return chord;
    return QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, chord.key());
}

QList<std::uint8_t> X11SyntheticKeys::modifierKeysFor(Qt::KeyboardModifiers modifiers)
{
    QList<std::uint8_t> keys;
    for (std::uint32_t keysym : Keysyms::forModifiers(modifiers)) {
        if (auto code = m_keymap.keycodeForKeysym(keysym))
            keys << *code;
    }
    return keys;
}

void X11SyntheticKeys::post(QKeyCombination chord, bool keyDown)
{
    if (!isAvailable())
        return;
    const auto key = m_keymap.keycodeForKey(chord.key());
    if (!key)
        return;
    if (keyDown) {
        releaseHeldModifiers();
        const QKeyCombination sent = chordFor(chord, m_windows.wmClass(m_windows.activeWindow()));
        m_pressedModifiers = modifierKeysFor(sent.keyboardModifiers());
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
