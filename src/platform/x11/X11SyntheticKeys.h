#pragma once

#include "platform/SyntheticKeys.h"

#include <QList>
#include <cstdint>
#include <optional>

namespace velto {

class X11Connection;
class X11Keymap;
class X11Windows;

// XTest key events. Before a chord, every modifier key the user still holds (Super, Shift, ...;
// not Caps Lock) is released, so the target gets exactly the chord; they are not pressed again.
// Command means Ctrl here, and Ctrl+Shift in terminals for C and V.
class X11SyntheticKeys : public SyntheticKeys
{
public:
    X11SyntheticKeys(X11Connection& connection, X11Keymap& keymap, X11Windows& windows);

    bool isAvailable() override;
    bool canPost(std::uint16_t keyCode) override;
    void post(std::uint16_t keyCode, std::uint64_t flags, bool keyDown) override;

private:
    void releaseHeldModifiers();
    QList<std::uint8_t> modifierKeysFor(std::uint16_t keyCode, std::uint64_t flags);
    void fake(bool press, std::uint8_t keycode);

    X11Connection& m_connection;
    X11Keymap& m_keymap;
    X11Windows& m_windows;
    // The modifiers pressed with the last key-down, released with its key-up.
    QList<std::uint8_t> m_pressedModifiers;
};

} // namespace velto
