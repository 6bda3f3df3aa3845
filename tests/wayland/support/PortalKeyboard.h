#pragma once

#include "model/InMemoryPreferences.h"
#include "platform/wayland/PortalSyntheticKeys.h"
#include "x11/support/TestKeyboard.h"

#include <QDBusConnection>
#include <QTest>
#include <memory>

namespace velto::test {

// The user's hands: a RemoteDesktop session of its own (on its own bus connection, so it is a
// different portal client from the code under test) that types any key into the compositor,
// the global shortcut included.
class PortalKeyboard : public TestKeyboard
{
public:
    PortalKeyboard()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, busName())),
          m_keys(std::make_unique<PortalSyntheticKeys>(m_bus, m_preferences))
    {
    }
    ~PortalKeyboard() override
    {
        m_keys.reset();
        QDBusConnection::disconnectFromBus(busName());
    }

    bool start()
    {
        m_keys->startSession();
        return QTest::qWaitFor(
                   [&] { return m_keys->state() != PortalSyntheticKeys::State::starting; },
                   15000) &&
               m_keys->state() == PortalSyntheticKeys::State::started;
    }
    // Paced like a person's fingers: the compositor sees each key as its own event.
    void press(std::uint32_t keysym) override { send(keysym, true); }
    void release(std::uint32_t keysym) override { send(keysym, false); }

private:
    static QString busName() { return QStringLiteral("velto-test-keyboard"); }
    void send(std::uint32_t keysym, bool pressed)
    {
        m_keys->sendKeysym(keysym, pressed);
        QTest::qWait(25);
    }

    QDBusConnection m_bus;
    InMemoryPreferences m_preferences;
    std::unique_ptr<PortalSyntheticKeys> m_keys;
};

} // namespace velto::test
