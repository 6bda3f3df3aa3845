#pragma once

#include <QKeyCombination>

namespace velto {

// Posts key events to whatever application has the keyboard focus, as if typed.
class SyntheticKeys
{
public:
    virtual ~SyntheticKeys() = default;
    // False when no event can be posted at all (no event source).
    virtual bool isAvailable() = 0;
    // False when no event can be made for this chord's key.
    virtual bool canPost(QKeyCombination chord) = 0;
    // The chord's modifiers (Ctrl, Shift, Alt) replace whatever the user physically holds: the
    // target sees exactly these modifiers with the key.
    virtual void post(QKeyCombination chord, bool keyDown) = 0;
};

} // namespace velto
