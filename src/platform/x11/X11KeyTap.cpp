#include "platform/x11/X11KeyTap.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keymap.h"

#include <cstdlib>
#include <xcb/xcb.h>

namespace velto {

X11KeyTap::X11KeyTap(X11Connection& connection, X11Keymap& keymap)
    : m_connection(connection), m_keymap(keymap)
{
}

X11KeyTap::~X11KeyTap()
{
    stop();
}

GlobalKeyTap::StartResult X11KeyTap::start(std::int64_t keyCode, bool requiresShift,
                                           Handler handler)
{
    stop();
    if (!m_connection.isConnected())
        return StartResult::tapUnavailable;
    m_keyCode = keyCode;
    m_requiresShift = requiresShift;
    if (!grab())
        return StartResult::tapUnavailable;
    m_handler = std::move(handler);
    m_handlerId = m_connection.addEventHandler(
        [this](const xcb_generic_event_t* event) { handleEvent(event); });
    return StartResult::started;
}

bool X11KeyTap::retarget(std::int64_t keyCode, bool requiresShift)
{
    if (!m_handlerId)
        return false;
    ungrab();
    m_keyCode = keyCode;
    m_requiresShift = requiresShift;
    if (grab())
        return true;
    stop();
    return false;
}

void X11KeyTap::stop()
{
    ungrab();
    if (m_handlerId)
        m_connection.removeEventHandler(m_handlerId);
    m_handlerId = 0;
    m_handler = nullptr;
}

bool X11KeyTap::grab()
{
    const auto key = m_keymap.keycodeForModelKeyCode(m_keyCode);
    if (!key)
        return false;
    xcb_connection_t* c = m_connection.xcb();
    const std::uint16_t base =
        m_keymap.superMask() | (m_requiresShift ? std::uint16_t(XCB_MOD_MASK_SHIFT) : 0);
    const std::uint16_t numLock = m_keymap.numLockMask();
    QList<std::uint16_t> sets{base, std::uint16_t(base | XCB_MOD_MASK_LOCK)};
    if (numLock)
        sets << std::uint16_t(base | numLock) << std::uint16_t(base | numLock | XCB_MOD_MASK_LOCK);
    QList<xcb_void_cookie_t> cookies;
    for (std::uint16_t modifiers : sets)
        cookies << xcb_grab_key_checked(c, 0, m_connection.root(), modifiers, *key,
                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    bool ok = true;
    for (const xcb_void_cookie_t& cookie : cookies) {
        // BadAccess: another client already grabs this combination.
        if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
            ok = false;
            std::free(error);
        }
    }
    m_grabbedKey = key;
    m_grabbedModifiers = sets;
    if (!ok) {
        ungrab();
        return false;
    }
    return true;
}

void X11KeyTap::ungrab()
{
    if (m_grabbedKey && m_connection.isConnected()) {
        for (std::uint16_t modifiers : m_grabbedModifiers)
            xcb_ungrab_key(m_connection.xcb(), *m_grabbedKey, m_connection.root(), modifiers);
        m_connection.flush();
    }
    m_grabbedKey.reset();
    m_grabbedModifiers.clear();
}

void X11KeyTap::handleEvent(const void* raw)
{
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        const auto* mapping = static_cast<const xcb_mapping_notify_event_t*>(raw);
        if (mapping->request == XCB_MAPPING_POINTER)
            return;
        // The letter may sit on another key now, or Super on another modifier bit: the old grab
        // no longer means the shortcut. The keymap has already reloaded itself.
        ungrab();
        if (!grab())
            stop();
        return;
    }
    if (type != XCB_KEY_PRESS || !m_grabbedKey)
        return;
    const auto* press = static_cast<const xcb_key_press_event_t*>(raw);
    if (press->event != m_connection.root() || press->detail != *m_grabbedKey)
        return;
    // Ungrab at once: the passive grab turned into an active keyboard grab that lasts until the
    // key is released, and the synthetic Ctrl+C / Ctrl+V that follow would come to us instead of
    // the target.
    xcb_ungrab_keyboard(m_connection.xcb(), press->time);
    m_connection.flush();
    const KeyPress keyPress{m_keymap.modelKeyCode(press->detail),
                            m_keymap.flagsFromState(press->state)};
    // A grabbed press that the rule rejects cannot be given back to the application.
    if (m_handler)
        m_handler(keyPress);
}

} // namespace velto
