#pragma once

#include "model/InMemoryDefaults.h"
#include "platform/wayland/PortalSyntheticKeys.h"
#include "x11/support/TestKeyboard.h"

#include <QDBusConnection>
#include <memory>

namespace velto::test {

// The user's hands: a RemoteDesktop session of its own (on its own bus connection, so it is a
// different portal client from the code under test) that types any key into the compositor,
// the global shortcut included.
class PortalKeyboard : public TestKeyboard
{
public:
    PortalKeyboard();
    ~PortalKeyboard() override;
    bool start();
    void press(std::uint32_t keysym) override { send(keysym, true); }
    void release(std::uint32_t keysym) override { send(keysym, false); }

private:
    void send(std::uint32_t keysym, bool pressed);

    QDBusConnection m_bus;
    InMemoryDefaults m_preferences;
    std::unique_ptr<PortalSyntheticKeys> m_keys;
};

} // namespace velto::test
