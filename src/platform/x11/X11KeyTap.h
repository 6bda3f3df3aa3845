#pragma once

#include "platform/GlobalKeyTap.h"

#include <QList>
#include <cstdint>
#include <optional>

namespace velto {

class X11Connection;
class X11Keymap;

// A passive grab of Super+letter (+Shift) on the root window, for every combination of Caps Lock
// and NumLock so those never keep the shortcut from matching.
class X11KeyTap : public GlobalKeyTap
{
public:
    X11KeyTap(X11Connection& connection, X11Keymap& keymap);
    ~X11KeyTap() override;

    StartResult start(std::int64_t keyCode, bool requiresShift, Handler handler) override;
    bool retarget(std::int64_t keyCode, bool requiresShift) override;
    void stop() override;

private:
    bool grab();
    void ungrab();
    void handleEvent(const void* event);

    X11Connection& m_connection;
    X11Keymap& m_keymap;
    Handler m_handler;
    int m_handlerId = 0;
    std::int64_t m_keyCode = 0;
    bool m_requiresShift = false;
    std::optional<std::uint8_t> m_grabbedKey;
    QList<std::uint16_t> m_grabbedModifiers;
};

} // namespace velto
