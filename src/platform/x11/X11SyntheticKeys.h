#pragma once

#include "platform/SyntheticKeys.h"

#include <QList>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace velto {

class X11Connection;
class X11Keymap;
class X11Windows;

// XTest key events. Before a chord, every modifier key the user still holds (Super, Shift, ...;
// not Caps Lock) is released, so the target gets exactly the chord; they are not pressed again.
// Terminals take copy and paste as Ctrl+Shift+C and Ctrl+Shift+V: Shift is added there.
class X11SyntheticKeys : public SyntheticKeys
{
public:
    X11SyntheticKeys(X11Connection& connection, X11Keymap& keymap, X11Windows& windows);

    bool isAvailable() override;
    bool canPost(QKeyCombination chord) override;
    void post(QKeyCombination chord, bool keyDown) override;

    // The chord a window of this WM_CLASS is sent for the one asked: Ctrl+C and Ctrl+V gain
    // Shift in terminals, where Ctrl+C interrupts.
    static QKeyCombination chordFor(QKeyCombination chord, const QStringList& windowClass);

private:
    void releaseHeldModifiers();
    QList<std::uint8_t> modifierKeysFor(Qt::KeyboardModifiers modifiers);
    void fake(bool press, std::uint8_t keycode);

    X11Connection& m_connection;
    X11Keymap& m_keymap;
    X11Windows& m_windows;
    // The modifiers pressed with the last key-down, released with its key-up.
    QList<std::uint8_t> m_pressedModifiers;
};

} // namespace velto
