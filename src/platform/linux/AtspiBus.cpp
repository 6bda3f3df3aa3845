#include "platform/linux/AtspiBus.h"

#include "model/ClientLogger.h"

#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QtDBus/QDBusArgument>
#include <atomic>
#include <qcoro/qcorodbuspendingcall.h>
#include <utility>

namespace velto {

namespace {

// Finding the bus may start its launcher through D-Bus activation: allow it more than a call.
constexpr int addressTimeoutMs = 2000;
constexpr int retryDelayMs = 5000;

QString uniqueConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("velto-atspi-%1").arg(++counter);
}

} // namespace

AtspiBus::AtspiBus() : m_name(uniqueConnectionName()), m_retryAfter(0) {}

AtspiBus::~AtspiBus()
{
    if (m_connection)
        QDBusConnection::disconnectFromBus(m_name);
}

bool AtspiBus::isConnected() const
{
    return m_connection && m_connection->isConnected();
}

QCoro::Task<bool> AtspiBus::ensureConnected()
{
    if (isConnected())
        co_return true;
    if (m_connecting || !m_retryAfter.hasExpired())
        co_return false;
    m_connecting = true;
    m_retryAfter.setRemainingTime(retryDelayMs);
    if (m_connection) {
        QDBusConnection::disconnectFromBus(m_name);
        m_connection.reset();
    }

    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected()) {
        m_connecting = false;
        co_return false;
    }
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    const QDBusPendingCall pending = session.asyncCall(request, addressTimeoutMs);
    const std::weak_ptr<bool> alive = m_alive;
    const QDBusMessage reply = co_await pending;
    if (alive.expired())
        co_return false;
    m_connecting = false;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("s")) {
        logUnavailable(reply.errorName());
        co_return false;
    }
    const QString address = reply.arguments().constFirst().toString();
    if (address.isEmpty())
        co_return false;
    // A local socket handshake with the bus daemon, not with any application.
    QDBusConnection connection = QDBusConnection::connectToBus(address, m_name);
    if (!connection.isConnected()) {
        logUnavailable(connection.lastError().message());
        QDBusConnection::disconnectFromBus(m_name);
        co_return false;
    }
    m_connection = connection;
    ++m_connections;
    // Only failed attempts wait: a bus that goes away later is looked for again at once.
    m_retryAfter = QDeadlineTimer(0);
    m_saidUnavailable = false;
    ClientLogger::info(u"accessibility bus connected");
    co_return true;
}

void AtspiBus::logUnavailable(const QString& why)
{
    if (std::exchange(m_saidUnavailable, true))
        return;
    ClientLogger::info(u"accessibility bus unavailable, selections are read by copy", why);
}

QCoro::Task<QDBusMessage> AtspiBus::call(QDBusMessage message, QDeadlineTimer deadline)
{
    if (!isConnected() || deadline.hasExpired())
        co_return message.createErrorReply(QDBusError::NoReply, QStringLiteral("no time left"));
    const int timeout = int(std::max<qint64>(1, deadline.remainingTime()));
    const QDBusPendingCall pending = m_connection->asyncCall(message, timeout);
    co_return co_await pending;
}

bool AtspiBus::subscribe(const QString& interface, const QString& member, QObject* receiver,
                         const char* slot)
{
    return isConnected() &&
           m_connection->connect(QString(), QString(), interface, member, receiver, slot);
}

QCoro::Task<std::optional<qint64>> AtspiBus::processOf(QString busName, QDeadlineTimer deadline)
{
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    request << busName;
    const QDBusMessage reply = co_await call(request, deadline);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("u"))
        co_return std::nullopt;
    co_return qint64(reply.arguments().constFirst().toUInt());
}

} // namespace velto
