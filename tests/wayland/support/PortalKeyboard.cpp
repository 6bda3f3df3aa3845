#include "wayland/support/PortalKeyboard.h"

#include <QTest>

namespace velto::test {

namespace {
const QString connectionName = QStringLiteral("velto-test-keyboard");
}

PortalKeyboard::PortalKeyboard()
    : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName))
{
    m_keys = std::make_unique<PortalSyntheticKeys>(m_bus, m_preferences);
}

PortalKeyboard::~PortalKeyboard()
{
    m_keys.reset();
    QDBusConnection::disconnectFromBus(connectionName);
}

bool PortalKeyboard::start()
{
    m_keys->startSession();
    return QTest::qWaitFor([&] { return m_keys->state() != PortalSyntheticKeys::State::starting; },
                           15000) &&
           m_keys->state() == PortalSyntheticKeys::State::started;
}

void PortalKeyboard::send(std::uint32_t keysym, bool pressed)
{
    // Paced like a person's fingers: the compositor sees each key as its own event.
    m_keys->sendKeysym(keysym, pressed);
    QTest::qWait(25);
}

} // namespace velto::test
