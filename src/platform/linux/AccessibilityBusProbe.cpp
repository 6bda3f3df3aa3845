#include "platform/linux/AccessibilityBusProbe.h"

#include <QDBusMessage>
#include <QStringList>

namespace velto {

namespace {

const QString busLauncher = QStringLiteral("org.a11y.Bus");
// A session bus answers these at once; a hung one must not hold the app.
constexpr int callBudgetMs = 250;

QDBusMessage askBus(const QDBusConnection& bus, const QString& method, const QVariantList& args)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), method);
    call.setArguments(args);
    return bus.call(call, QDBus::Block, callBudgetMs);
}

} // namespace

AccessibilityBusProbe::AccessibilityBusProbe(QDBusConnection bus) : m_bus(std::move(bus)) {}

bool AccessibilityBusProbe::available()
{
    if (m_available)
        return *m_available;
    if (!m_bus.isConnected()) {
        m_available = false;
        return false;
    }
    const QDBusMessage owned = askBus(m_bus, QStringLiteral("NameHasOwner"), {busLauncher});
    if (owned.type() == QDBusMessage::ReplyMessage && owned.arguments().value(0).toBool()) {
        m_available = true;
        return true;
    }
    const QDBusMessage activatable = askBus(m_bus, QStringLiteral("ListActivatableNames"), {});
    m_available = activatable.type() == QDBusMessage::ReplyMessage &&
                  activatable.arguments().value(0).toStringList().contains(busLauncher);
    return *m_available;
}

} // namespace velto
