#pragma once

#include <QKeyCombination>
#include <QList>
#include <cstdint>
#include <optional>

namespace velto::Keysyms {

// X keysyms, shared by the X server and Wayland's keyboard layouts (xkb): the names the desktop
// gives keys, whichever physical key carries them.
constexpr std::uint32_t shiftL = 0xffe1;
constexpr std::uint32_t controlL = 0xffe3;
constexpr std::uint32_t altL = 0xffe9;
constexpr std::uint32_t superL = 0xffeb;

// The keysym a letter key types without Shift (the lower-case letter, whose keysym is its
// Latin-1 code); none for any other key.
std::optional<std::uint32_t> forKey(Qt::Key key);

// Qt's key for a letter keysym of either case; Qt::Key_unknown for any other keysym.
Qt::Key keyFor(std::uint32_t keysym);

// The modifier keys to hold down for these modifiers, in the order they go down: Ctrl, Shift,
// Alt, Super.
QList<std::uint32_t> forModifiers(Qt::KeyboardModifiers modifiers);

} // namespace velto::Keysyms
