#include "x11/support/XTestKeyboard.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keymap.h"

#include <cstdlib>
#include <stdexcept>
#include <xcb/xtest.h>

namespace velto::test {

XTestKeyboard::XTestKeyboard()
    : m_connection(std::make_unique<X11Connection>()),
      m_keymap(std::make_unique<X11Keymap>(*m_connection))
{
}

XTestKeyboard::~XTestKeyboard() = default;

void XTestKeyboard::fake(bool press, std::uint32_t keysym)
{
    const auto code = m_keymap->keycodeForKeysym(keysym);
    if (!code)
        throw std::runtime_error("no key for keysym");
    xcb_test_fake_input(m_connection->xcb(), press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, *code,
                        XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    // A round trip, so the server has handled the key before the test goes on.
    free(xcb_get_input_focus_reply(m_connection->xcb(), xcb_get_input_focus(m_connection->xcb()),
                                   nullptr));
}

bool XTestKeyboard::capsLockOn()
{
    xcb_connection_t* c = m_connection->xcb();
    auto* reply = xcb_query_pointer_reply(c, xcb_query_pointer(c, m_connection->root()), nullptr);
    const bool on = reply && (reply->mask & XCB_MOD_MASK_LOCK);
    free(reply);
    return on;
}

} // namespace velto::test
