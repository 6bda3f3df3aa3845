#pragma once

#include <cstdint>
#include <memory>

namespace velto {
class X11Connection;
class X11Keymap;
} // namespace velto

namespace velto::test {

// Tells whether some client holds the passive grab of Super+letter on the root window: X has no
// query for grabs, so it tries the grab itself and lets go at once.
class ShortcutProbe
{
public:
    explicit ShortcutProbe(char letter = 'l');
    ~ShortcutProbe();

    bool isGrabbed();

private:
    std::unique_ptr<X11Connection> m_connection;
    std::unique_ptr<X11Keymap> m_keymap;
    char m_letter;
};

} // namespace velto::test
