#include "platform/x11/X11Keymap.h"

#include "platform/linux/Keysyms.h"
#include "platform/x11/X11Connection.h"

#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace velto {

namespace {
constexpr std::uint32_t XK_Super_L = 0xffeb;
constexpr std::uint32_t XK_Super_R = 0xffec;
constexpr std::uint32_t XK_Alt_L = 0xffe9;
constexpr std::uint32_t XK_Alt_R = 0xffea;
constexpr std::uint32_t XK_Meta_L = 0xffe7;
constexpr std::uint32_t XK_Num_Lock = 0xff7f;
} // namespace

X11Keymap::X11Keymap(X11Connection& connection) : m_connection(connection)
{
    refresh();
    m_handlerId = m_connection.addEventHandler([this](const xcb_generic_event_t* event) {
        if ((event->response_type & 0x7f) != XCB_MAPPING_NOTIFY)
            return;
        const auto* mapping = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
        if (mapping->request != XCB_MAPPING_POINTER)
            refresh();
    });
}

X11Keymap::~X11Keymap()
{
    m_connection.removeEventHandler(m_handlerId);
    if (m_symbols)
        xcb_key_symbols_free(m_symbols);
}

void X11Keymap::refresh()
{
    if (m_symbols)
        xcb_key_symbols_free(m_symbols);
    m_symbols = nullptr;
    m_modifierRows.clear();
    if (!m_connection.isConnected())
        return;
    m_symbols = xcb_key_symbols_alloc(m_connection.xcb());

    xcb_connection_t* c = m_connection.xcb();
    auto* reply = xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
    if (reply) {
        const std::uint8_t* codes = xcb_get_modifier_mapping_keycodes(reply);
        const int perRow = reply->keycodes_per_modifier;
        for (int row = 0; row < 8; ++row) {
            QList<std::uint8_t> keys;
            for (int i = 0; i < perRow; ++i) {
                if (const std::uint8_t code = codes[row * perRow + i])
                    keys.append(code);
            }
            m_modifierRows.append(keys);
        }
        std::free(reply);
    }
    m_superMask = maskOfKeysym(XK_Super_L) | maskOfKeysym(XK_Super_R);
    if (!m_superMask)
        m_superMask = XCB_MOD_MASK_4;
    m_altMask = maskOfKeysym(XK_Alt_L) | maskOfKeysym(XK_Alt_R) | maskOfKeysym(XK_Meta_L);
    if (!m_altMask)
        m_altMask = XCB_MOD_MASK_1;
    // Alt and Super may share a bit on odd keymaps; Super wins so the shortcut stays usable.
    m_altMask &= ~m_superMask;
    m_numLockMask = maskOfKeysym(XK_Num_Lock);
}

std::optional<std::uint8_t> X11Keymap::keycodeForKeysym(std::uint32_t keysym) const
{
    if (!m_symbols)
        return std::nullopt;
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(m_symbols, keysym);
    if (!codes)
        return std::nullopt;
    const std::uint8_t first = codes[0];
    std::free(codes);
    if (first == XCB_NO_SYMBOL)
        return std::nullopt;
    return first;
}

Qt::Key X11Keymap::keyForKeycode(std::uint8_t keycode) const
{
    if (!m_symbols)
        return Qt::Key_unknown;
    return Keysyms::keyFor(xcb_key_symbols_get_keysym(m_symbols, keycode, 0));
}

std::optional<std::uint8_t> X11Keymap::keycodeForKey(Qt::Key key) const
{
    const std::optional<std::uint32_t> keysym = Keysyms::forKey(key);
    return keysym ? keycodeForKeysym(*keysym) : std::nullopt;
}

std::uint16_t X11Keymap::maskOfKeycode(std::uint8_t keycode) const
{
    std::uint16_t mask = 0;
    for (int row = 0; row < m_modifierRows.size(); ++row) {
        if (m_modifierRows[row].contains(keycode))
            mask |= static_cast<std::uint16_t>(1u << row);
    }
    return mask;
}

std::uint16_t X11Keymap::maskOfKeysym(std::uint32_t keysym) const
{
    if (!m_symbols)
        return 0;
    std::uint16_t mask = 0;
    if (xcb_keycode_t* codes = xcb_key_symbols_get_keycode(m_symbols, keysym)) {
        for (int i = 0; codes[i] != XCB_NO_SYMBOL; ++i)
            mask |= maskOfKeycode(codes[i]);
        std::free(codes);
    }
    return mask;
}

Qt::KeyboardModifiers X11Keymap::modifiersFromState(std::uint16_t state) const
{
    Qt::KeyboardModifiers modifiers;
    if (state & XCB_MOD_MASK_SHIFT)
        modifiers |= Qt::ShiftModifier;
    if (state & XCB_MOD_MASK_CONTROL)
        modifiers |= Qt::ControlModifier;
    if (state & m_altMask)
        modifiers |= Qt::AltModifier;
    if (state & m_superMask)
        modifiers |= Qt::MetaModifier;
    return modifiers;
}

Qt::KeyboardModifiers X11Keymap::modifiersFromKeysDown(const QList<std::uint8_t>& keycodes) const
{
    std::uint16_t state = 0;
    for (std::uint8_t code : keycodes)
        state |= maskOfKeycode(code);
    // Caps Lock and NumLock are locks: a key held down says nothing about them.
    state &= ~(XCB_MOD_MASK_LOCK | m_numLockMask);
    return modifiersFromState(state);
}

QList<std::uint8_t> X11Keymap::modifierKeycodes() const
{
    QList<std::uint8_t> keys;
    for (int row = 0; row < m_modifierRows.size(); ++row) {
        if (row == 1) // Lock
            continue;
        for (std::uint8_t code : m_modifierRows[row]) {
            if (!keys.contains(code))
                keys.append(code);
        }
    }
    return keys;
}

} // namespace velto
