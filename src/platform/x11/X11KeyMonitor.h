#pragma once

#include "platform/GlobalKeyMonitor.h"

#include <QList>
#include <cstdint>

namespace velto {

class X11Connection;
class X11Keymap;

// XInput2 raw key events on the root window: sees every press, whoever has the focus, and
// cannot keep it from the application. Raw events carry no modifier state, so the held
// modifiers are tracked from the raw presses and releases themselves.
class X11KeyMonitor : public GlobalKeyMonitor
{
public:
    X11KeyMonitor(X11Connection& connection, X11Keymap& keymap);
    ~X11KeyMonitor() override;

    bool install(Handler handler) override;
    void remove() override;

private:
    bool select(bool enable);
    void handleEvent(const void* event);

    X11Connection& m_connection;
    X11Keymap& m_keymap;
    Handler m_handler;
    int m_handlerId = 0;
    QList<std::uint8_t> m_keysDown;
};

} // namespace velto
