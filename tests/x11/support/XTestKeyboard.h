#pragma once

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keymap.h"
#include "x11/support/TestKeyboard.h"

#include <cstdlib>
#include <stdexcept>
#include <xcb/xtest.h>

namespace velto::test {

// Types on the X server's keyboard through XTest, as a user would, on a connection of its own.
class XTestKeyboard : public TestKeyboard
{
public:
    void press(std::uint32_t keysym) override { fake(true, keysym); }
    void release(std::uint32_t keysym) override { fake(false, keysym); }
    // Caps Lock's lock state, from the server.
    bool capsLockOn()
    {
        xcb_connection_t* c = m_connection.xcb();
        auto* reply =
            xcb_query_pointer_reply(c, xcb_query_pointer(c, m_connection.root()), nullptr);
        const bool on = reply && (reply->mask & XCB_MOD_MASK_LOCK);
        free(reply);
        return on;
    }

private:
    void fake(bool press, std::uint32_t keysym)
    {
        const auto code = m_keymap.keycodeForKeysym(keysym);
        if (!code)
            throw std::runtime_error("no key for keysym");
        xcb_connection_t* c = m_connection.xcb();
        xcb_test_fake_input(c, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, *code, XCB_CURRENT_TIME,
                            XCB_WINDOW_NONE, 0, 0, 0);
        // A round trip, so the server has handled the key before the test goes on.
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }

    X11Connection m_connection;
    X11Keymap m_keymap{m_connection};
};

} // namespace velto::test
