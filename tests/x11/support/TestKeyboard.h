#pragma once

#include <QList>
#include <cstdint>

namespace velto::test {

// The user's hands on a real desktop, typing keys by their keysyms.
class TestKeyboard
{
public:
    static constexpr std::uint32_t superL = 0xffeb;
    static constexpr std::uint32_t shiftL = 0xffe1;
    static constexpr std::uint32_t controlL = 0xffe3;
    static constexpr std::uint32_t capsLock = 0xffe5;
    static constexpr std::uint32_t home = 0xff50;
    static constexpr std::uint32_t left = 0xff51;
    static constexpr std::uint32_t right = 0xff53;
    static constexpr std::uint32_t down = 0xff54;
    static constexpr std::uint32_t end = 0xff57;
    static constexpr std::uint32_t escape = 0xff1b;
    static constexpr std::uint32_t returnKey = 0xff0d;

    virtual ~TestKeyboard() = default;
    virtual void press(std::uint32_t keysym) = 0;
    virtual void release(std::uint32_t keysym) = 0;

    // Presses the modifiers in order, taps the key, releases the modifiers in reverse.
    void chord(const QList<std::uint32_t>& modifiers, std::uint32_t key)
    {
        for (std::uint32_t modifier : modifiers)
            press(modifier);
        press(key);
        release(key);
        for (auto it = modifiers.crbegin(); it != modifiers.crend(); ++it)
            release(*it);
    }

    // In a text editor, from the start of the document: `lines` lines down, `from` characters
    // right, then `length` characters selected.
    void selectFromStart(int lines, int from, int length)
    {
        chord({controlL}, home);
        for (int i = 0; i < lines; ++i)
            chord({}, down);
        for (int i = 0; i < from; ++i)
            chord({}, right);
        for (int i = 0; i < length; ++i)
            chord({shiftL}, right);
    }
};

} // namespace velto::test
