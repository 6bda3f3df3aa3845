#include "e2e/app/ShortcutProbe.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keymap.h"

#include <cstdlib>

namespace velto::test {

ShortcutProbe::ShortcutProbe(char letter)
    : m_connection(std::make_unique<X11Connection>()),
      m_keymap(std::make_unique<X11Keymap>(*m_connection)), m_letter(letter)
{
}

ShortcutProbe::~ShortcutProbe() = default;

bool ShortcutProbe::isGrabbed()
{
    const auto key = m_keymap->keycodeForKeysym(std::uint32_t(m_letter));
    if (!m_connection->isConnected() || !key)
        return false;
    xcb_connection_t* c = m_connection->xcb();
    const std::uint16_t modifiers = m_keymap->superMask();
    // Grab and ungrab go out in one batch, so the server handles them back to back and the
    // app's own grab cannot fall between them.
    const xcb_void_cookie_t grab = xcb_grab_key_checked(c, 0, m_connection->root(), modifiers, *key,
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_ungrab_key(c, *key, m_connection->root(), modifiers);
    xcb_generic_error_t* error = xcb_request_check(c, grab);
    const bool grabbed = error && error->error_code == XCB_ACCESS;
    free(error);
    return grabbed;
}

} // namespace velto::test
