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

GlobalKeyTap::StartResult X11KeyTap::start(QKeyCombination shortcut, Handler handler)
{
    stop();
    if (!m_connection.isConnected())
        return StartResult::tapUnavailable;
    m_shortcut = shortcut;
    if (!grab())
        return StartResult::tapUnavailable;
    m_handler = std::move(handler);
    m_handlerId = m_connection.addEventHandler(
        [this](const xcb_generic_event_t* event) { handleEvent(event); });
    return StartResult::started;
}

bool X11KeyTap::retarget(QKeyCombination shortcut)
{
    if (!m_handlerId)
        return false;
    ungrab();
    m_shortcut = shortcut;
    if (grab())
        return true;
    stop();
    return false;
}

std::uint16_t X11KeyTap::grabMask(const X11Keymap& keymap, Qt::KeyboardModifiers modifiers)
{
    std::uint16_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= keymap.altMask();
    if (modifiers & Qt::MetaModifier)
        mask |= keymap.superMask();
    return mask;
}

void X11KeyTap::stop()
{
    ungrab();
    if (m_handlerId)
        m_connection.removeEventHandler(m_handlerId);
    m_handlerId = 0;
    m_handler = nullptr;
}

std::optional<X11KeyTap::Grab> X11KeyTap::wantedGrab() const
{
    const auto key = m_keymap.keycodeForKey(m_shortcut.key());
    if (!key)
        return std::nullopt;
    const std::uint16_t base = X11KeyTap::grabMask(m_keymap, m_shortcut.keyboardModifiers());
    const std::uint16_t numLock = m_keymap.numLockMask();
    Grab wanted{*key, {base, std::uint16_t(base | XCB_MOD_MASK_LOCK)}};
    if (numLock)
        wanted.modifiers << std::uint16_t(base | numLock)
                         << std::uint16_t(base | numLock | XCB_MOD_MASK_LOCK);
    return wanted;
}

bool X11KeyTap::sendGrabs(const Grab& grab)
{
    xcb_connection_t* c = m_connection.xcb();
    QList<xcb_void_cookie_t> cookies;
    for (std::uint16_t modifiers : grab.modifiers)
        cookies << xcb_grab_key_checked(c, 0, m_connection.root(), modifiers, grab.key,
                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    bool ok = true;
    for (const xcb_void_cookie_t& cookie : cookies) {
        // BadAccess: another client already grabs this combination.
        if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
            ok = false;
            std::free(error);
        }
    }
    return ok;
}

void X11KeyTap::sendUngrabs(std::uint8_t key, const QList<std::uint16_t>& modifiers)
{
    if (!m_connection.isConnected())
        return;
    for (std::uint16_t set : modifiers)
        xcb_ungrab_key(m_connection.xcb(), key, m_connection.root(), set);
    m_connection.flush();
}

bool X11KeyTap::grab()
{
    const std::optional<Grab> wanted = wantedGrab();
    if (!wanted)
        return false;
    m_grab = wanted;
    if (!sendGrabs(*wanted)) {
        ungrab();
        return false;
    }
    return true;
}

void X11KeyTap::ungrab()
{
    if (m_grab)
        sendUngrabs(m_grab->key, m_grab->modifiers);
    m_grab.reset();
}

void X11KeyTap::regrabAfterMappingChange()
{
    // Most changes (another layout's key, a second keyboard taking over) leave the shortcut where
    // it was: keep the grab untouched, since a press that falls between an ungrab and the next
    // grab reaches the focused application instead of us.
    const std::optional<Grab> wanted = wantedGrab();
    if (wanted && m_grab && *wanted == *m_grab)
        return;
    // The letter sits on another key now, or Super on another modifier bit: take the new
    // combination before letting go of the old one.
    const std::optional<Grab> old = m_grab;
    const bool grabbed = wanted && sendGrabs(*wanted);
    if (old) {
        QList<std::uint16_t> released = old->modifiers;
        if (grabbed && wanted->key == old->key)
            released.removeIf([&](std::uint16_t set) { return wanted->modifiers.contains(set); });
        sendUngrabs(old->key, released);
    }
    m_grab = wanted;
    if (!grabbed)
        stop();
}

void X11KeyTap::handleEvent(const void* raw)
{
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        const auto* mapping = static_cast<const xcb_mapping_notify_event_t*>(raw);
        if (mapping->request == XCB_MAPPING_POINTER)
            return;
        // The keymap has already reloaded itself.
        regrabAfterMappingChange();
        return;
    }
    if (type != XCB_KEY_PRESS || !m_grab)
        return;
    const auto* press = static_cast<const xcb_key_press_event_t*>(raw);
    if (press->event != m_connection.root() || press->detail != m_grab->key)
        return;
    // Ungrab at once: the passive grab turned into an active keyboard grab that lasts until the
    // key is released, and the synthetic Ctrl+C / Ctrl+V that follow would come to us instead of
    // the target.
    xcb_ungrab_keyboard(m_connection.xcb(), press->time);
    m_connection.flush();
    const QKeyCombination keyPress(m_keymap.modifiersFromState(press->state),
                                   m_keymap.keyForKeycode(press->detail));
    // A grabbed press that the rule rejects cannot be given back to the application.
    if (m_handler)
        m_handler(keyPress);
}

} // namespace velto
