#pragma once

#include "model/InMemoryDefaults.h"
#include "platform/wayland/PortalSyntheticKeys.h"

#include <QDBusConnection>
#include <QList>
#include <cstdint>
#include <memory>

namespace velto::test {

// The user's hands: a RemoteDesktop session of its own (on its own bus connection, so it is a
// different portal client from the code under test) that types any key into the compositor,
// the global shortcut included.
class PortalKeyboard
{
public:
    static constexpr std::uint32_t superL = 0xffeb;
    static constexpr std::uint32_t shiftL = 0xffe1;
    static constexpr std::uint32_t controlL = 0xffe3;

    PortalKeyboard();
    ~PortalKeyboard();
    bool start();
    // Presses the modifiers in order, then the key; releases them in reverse.
    void chord(const QList<std::uint32_t>& modifiers, std::uint32_t key);

private:
    QDBusConnection m_bus;
    InMemoryDefaults m_preferences;
    std::unique_ptr<PortalSyntheticKeys> m_keys;
};

} // namespace velto::test
