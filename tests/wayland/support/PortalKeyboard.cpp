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

void PortalKeyboard::chord(const QList<std::uint32_t>& modifiers, std::uint32_t key)
{
    // Paced like a person's fingers: the compositor sees each key as its own event.
    for (std::uint32_t modifier : modifiers) {
        m_keys->sendKeysym(modifier, true);
        QTest::qWait(15);
    }
    m_keys->sendKeysym(key, true);
    QTest::qWait(30);
    m_keys->sendKeysym(key, false);
    for (auto it = modifiers.crbegin(); it != modifiers.crend(); ++it) {
        QTest::qWait(15);
        m_keys->sendKeysym(*it, false);
    }
}

} // namespace velto::test
