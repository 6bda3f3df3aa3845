#pragma once

#include <cstdint>

namespace velto {

// Posts key events to whatever application has the keyboard focus, as if typed.
class SyntheticKeys
{
public:
    virtual ~SyntheticKeys() = default;
    // False when no event can be posted at all (no event source).
    virtual bool isAvailable() = 0;
    // False when no event can be made for this key code.
    virtual bool canPost(std::uint16_t keyCode) = 0;
    // flags (KeyModifier bits) replace whatever the user physically holds: the target sees
    // exactly these modifiers with the key. Command stands for the platform's shortcut modifier
    // for copy and paste.
    virtual void post(std::uint16_t keyCode, std::uint64_t flags, bool keyDown) = 0;
};

} // namespace velto
