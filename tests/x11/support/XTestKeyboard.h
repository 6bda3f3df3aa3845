#pragma once

#include <QList>
#include <cstdint>
#include <memory>

namespace velto {
class X11Connection;
class X11Keymap;
} // namespace velto

namespace velto::test {

// Types on the X server's keyboard through XTest, as a user would, on a connection of its own.
class XTestKeyboard
{
public:
    static constexpr std::uint32_t superL = 0xffeb;
    static constexpr std::uint32_t shiftL = 0xffe1;
    static constexpr std::uint32_t controlL = 0xffe3;
    static constexpr std::uint32_t altL = 0xffe9;
    static constexpr std::uint32_t capsLock = 0xffe5;
    static constexpr std::uint32_t home = 0xff50;
    static constexpr std::uint32_t left = 0xff51;
    static constexpr std::uint32_t right = 0xff53;
    static constexpr std::uint32_t down = 0xff54;
    static constexpr std::uint32_t end = 0xff57;

    XTestKeyboard();
    ~XTestKeyboard();

    void press(std::uint32_t keysym);
    void release(std::uint32_t keysym);
    // Presses the modifiers, taps the key, releases the modifiers in reverse.
    void chord(const QList<std::uint32_t>& modifiers, std::uint32_t key);
    // Caps Lock's lock state, from the server.
    bool capsLockOn();

private:
    void fake(bool press, std::uint32_t keysym);

    std::unique_ptr<X11Connection> m_connection;
    std::unique_ptr<X11Keymap> m_keymap;
};

} // namespace velto::test
