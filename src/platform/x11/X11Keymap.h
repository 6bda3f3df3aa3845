#pragma once

#include <QKeyCombination>
#include <QList>
#include <cstdint>
#include <optional>

#include <xcb/xcb_keysyms.h>

namespace velto {

class X11Connection;

// The server's keyboard and modifier mapping, as far as the app needs it: letters to key codes
// and back, which modifier bit Super, Alt and NumLock sit on, and which keys are modifiers.
class X11Keymap
{
public:
    explicit X11Keymap(X11Connection& connection);
    ~X11Keymap();
    X11Keymap(const X11Keymap&) = delete;
    X11Keymap& operator=(const X11Keymap&) = delete;

    // Reloads both mappings; done by itself on every MappingNotify, before later handlers run.
    void refresh();

    std::optional<std::uint8_t> keycodeForKeysym(std::uint32_t keysym) const;
    // Qt's key for the letter an X key types without Shift; Qt::Key_unknown for other keys.
    Qt::Key keyForKeycode(std::uint8_t keycode) const;
    // The X key that types this letter in the current layout; none for keys that are not
    // letters or letters the layout lacks.
    std::optional<std::uint8_t> keycodeForKey(Qt::Key key) const;

    std::uint16_t superMask() const { return m_superMask; }
    std::uint16_t altMask() const { return m_altMask; }
    std::uint16_t numLockMask() const { return m_numLockMask; }
    // Shift, Ctrl, Alt and Super (Qt's Meta) of an X modifier state; Caps Lock and NumLock are
    // left out, so they never change which combination a press is.
    Qt::KeyboardModifiers modifiersFromState(std::uint16_t state) const;
    // The modifiers held by these keys being down.
    Qt::KeyboardModifiers modifiersFromKeysDown(const QList<std::uint8_t>& keycodes) const;
    // Keys mapped to any modifier except Lock (Caps Lock stays as the user set it).
    QList<std::uint8_t> modifierKeycodes() const;

private:
    std::uint16_t maskOfKeysym(std::uint32_t keysym) const;
    std::uint16_t maskOfKeycode(std::uint8_t keycode) const;

    X11Connection& m_connection;
    int m_handlerId = 0;
    xcb_key_symbols_t* m_symbols = nullptr;
    // Eight rows (Shift, Lock, Control, Mod1..Mod5) of key codes.
    QList<QList<std::uint8_t>> m_modifierRows;
    std::uint16_t m_superMask = 0;
    std::uint16_t m_altMask = 0;
    std::uint16_t m_numLockMask = 0;
};

} // namespace velto
