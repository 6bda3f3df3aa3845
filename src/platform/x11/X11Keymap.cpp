#include "platform/x11/X11Keymap.h"

#include "model/ShortcutKeys.h"
#include "platform/KeyPress.h"
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

std::optional<char> X11Keymap::letterForKeycode(std::uint8_t keycode) const
{
    if (!m_symbols)
        return std::nullopt;
    const xcb_keysym_t symbol = xcb_key_symbols_get_keysym(m_symbols, keycode, 0);
    if (symbol >= 'a' && symbol <= 'z')
        return static_cast<char>(symbol);
    if (symbol >= 'A' && symbol <= 'Z')
        return static_cast<char>(symbol - 'A' + 'a');
    return std::nullopt;
}

std::int64_t X11Keymap::modelKeyCode(std::uint8_t keycode) const
{
    const auto letter = letterForKeycode(keycode);
    if (!letter)
        return KeyPress::noKeyCode;
    const QString id(QChar::fromLatin1(*letter));
    for (const ShortcutKeyOption& option : ShortcutKeys::availableShortcutKeys()) {
        if (option.id == id)
            return option.keyCode;
    }
    return KeyPress::noKeyCode;
}

std::optional<std::uint8_t> X11Keymap::keycodeForModelKeyCode(std::int64_t modelKeyCode) const
{
    for (const ShortcutKeyOption& option : ShortcutKeys::availableShortcutKeys()) {
        if (option.keyCode == modelKeyCode && option.id.size() == 1)
            return keycodeForKeysym(option.id.at(0).toLatin1());
    }
    return std::nullopt;
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

std::uint64_t X11Keymap::flagsFromState(std::uint16_t state) const
{
    std::uint64_t flags = 0;
    if (state & XCB_MOD_MASK_SHIFT)
        flags |= KeyModifier::shift;
    if (state & XCB_MOD_MASK_LOCK)
        flags |= KeyModifier::capsLock;
    if (state & XCB_MOD_MASK_CONTROL)
        flags |= KeyModifier::control;
    if (state & m_altMask)
        flags |= KeyModifier::option;
    if (state & m_superMask)
        flags |= KeyModifier::command;
    if (m_numLockMask && (state & m_numLockMask))
        flags |= KeyModifier::numericPad;
    return flags;
}

std::uint64_t X11Keymap::flagsFromKeysDown(const QList<std::uint8_t>& keycodes) const
{
    std::uint16_t state = 0;
    for (std::uint8_t code : keycodes)
        state |= maskOfKeycode(code);
    // Caps Lock and NumLock are locks: a key held down says nothing about them.
    state &= ~(XCB_MOD_MASK_LOCK | m_numLockMask);
    return flagsFromState(state);
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
