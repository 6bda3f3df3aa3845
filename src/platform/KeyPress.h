#pragma once

#include <cstdint>

namespace velto {

// Modifier bits of a key event, in the app's own terms. Command is the shortcut modifier (Super
// on Linux); the adapters translate their native state into these bits.
namespace KeyModifier {
constexpr std::uint64_t capsLock = 0x10000;
constexpr std::uint64_t shift = 0x20000;
constexpr std::uint64_t control = 0x40000;
constexpr std::uint64_t option = 0x80000;
constexpr std::uint64_t command = 0x100000;
constexpr std::uint64_t numericPad = 0x200000;
} // namespace KeyModifier

// One key-down seen system-wide. keyCode is the model's key code of the letter (ShortcutKeys);
// keys that are not letters carry noKeyCode.
struct KeyPress
{
    static constexpr std::int64_t noKeyCode = -1;
    std::int64_t keyCode = noKeyCode;
    std::uint64_t flags = 0;
};

} // namespace velto
