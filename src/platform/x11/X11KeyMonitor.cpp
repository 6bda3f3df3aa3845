#include "platform/x11/X11KeyMonitor.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keymap.h"

#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace velto {

X11KeyMonitor::X11KeyMonitor(X11Connection& connection, X11Keymap& keymap)
    : m_connection(connection), m_keymap(keymap)
{
}

X11KeyMonitor::~X11KeyMonitor()
{
    remove();
}

bool X11KeyMonitor::install(Handler handler)
{
    remove();
    if (!m_connection.isConnected() || !m_connection.hasXInput2() || !select(true))
        return false;
    m_handler = std::move(handler);
    m_handlerId = m_connection.addEventHandler(
        [this](const xcb_generic_event_t* event) { handleEvent(event); });
    return true;
}

void X11KeyMonitor::remove()
{
    if (!m_handlerId)
        return;
    m_connection.removeEventHandler(m_handlerId);
    m_handlerId = 0;
    m_handler = nullptr;
    m_keysDown.clear();
    if (m_connection.isConnected())
        select(false);
}

bool X11KeyMonitor::select(bool enable)
{
    struct
    {
        xcb_input_event_mask_t header;
        std::uint32_t mask;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
           enable ? std::uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS |
                                  XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE)
                  : 0u};
    xcb_void_cookie_t cookie = xcb_input_xi_select_events_checked(
        m_connection.xcb(), m_connection.root(), 1, &mask.header);
    if (xcb_generic_error_t* error = xcb_request_check(m_connection.xcb(), cookie)) {
        std::free(error);
        return false;
    }
    return true;
}

void X11KeyMonitor::handleEvent(const void* raw)
{
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
        return;
    const auto* generic = static_cast<const xcb_ge_generic_event_t*>(raw);
    if (generic->extension != m_connection.xinputOpcode())
        return;
    if (generic->event_type != XCB_INPUT_RAW_KEY_PRESS &&
        generic->event_type != XCB_INPUT_RAW_KEY_RELEASE)
        return;
    const auto* key = static_cast<const xcb_input_raw_key_press_event_t*>(raw);
    const auto code = static_cast<std::uint8_t>(key->detail);
    if (generic->event_type == XCB_INPUT_RAW_KEY_RELEASE) {
        m_keysDown.removeAll(code);
        return;
    }
    const bool isModifier = m_keymap.modifierKeycodes().contains(code);
    if (isModifier) {
        if (!m_keysDown.contains(code))
            m_keysDown.append(code);
        return;
    }
    if (m_handler)
        m_handler(QKeyCombination(m_keymap.modifiersFromKeysDown(m_keysDown),
                                  m_keymap.keyForKeycode(code)));
}

} // namespace velto
