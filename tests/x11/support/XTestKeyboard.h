#pragma once

#include "x11/support/TestKeyboard.h"

#include <memory>

namespace velto {
class X11Connection;
class X11Keymap;
} // namespace velto

namespace velto::test {

// Types on the X server's keyboard through XTest, as a user would, on a connection of its own.
class XTestKeyboard : public TestKeyboard
{
public:
    XTestKeyboard();
    ~XTestKeyboard() override;

    void press(std::uint32_t keysym) override { fake(true, keysym); }
    void release(std::uint32_t keysym) override { fake(false, keysym); }
    // Caps Lock's lock state, from the server.
    bool capsLockOn();

private:
    void fake(bool press, std::uint32_t keysym);

    std::unique_ptr<X11Connection> m_connection;
    std::unique_ptr<X11Keymap> m_keymap;
};

} // namespace velto::test
