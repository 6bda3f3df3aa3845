#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velto {

// The accessibility bus (AT-SPI), where applications that expose their widgets answer questions
// about them. Found through the session bus's org.a11y.Bus; connected on first use. Never turns
// accessibility on for other applications: those that do not expose AT-SPI on their own are not
// on this bus.
class AtspiBus
{
public:
    AtspiBus();
    ~AtspiBus();
    AtspiBus(const AtspiBus&) = delete;
    AtspiBus& operator=(const AtspiBus&) = delete;

    // Connects when not yet connected, or again when the bus went away (its daemon exited: the
    // session's accessibility stack restarted); false when there is no session bus or no
    // accessibility bus. A failed attempt is not repeated for a few seconds, so an absent bus
    // costs nothing.
    QCoro::Task<bool> ensureConnected();
    bool isConnected() const;
    // Counts the connections made: a new number is a new bus, on which the subscriptions and
    // registrations made on the old one are gone and bus names mean other applications.
    quint64 connectionNumber() const { return m_connections; }

    // A method call that gives up when the deadline passes (an application that hangs must not
    // hold the caller for D-Bus's default 25 s). Error replies come back as they are.
    QCoro::Task<QDBusMessage> call(QDBusMessage message, QDeadlineTimer deadline);

    // Delivers a signal of every application on the bus to receiver's slot (which takes the
    // QDBusMessage); false when not connected. The connection's own "Disconnected" signal
    // (org.freedesktop.DBus.Local) comes this way too when the bus goes away.
    bool subscribe(const QString& interface, const QString& member, QObject* receiver,
                   const char* slot);

    // The process behind a connection of the accessibility bus; none when unknown.
    QCoro::Task<std::optional<qint64>> processOf(QString busName, QDeadlineTimer deadline);

private:
    void logUnavailable(const QString& why);

    QString m_name;
    // Tells a call that resumes after the bus was destroyed not to touch it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::optional<QDBusConnection> m_connection;
    QDeadlineTimer m_retryAfter;
    quint64 m_connections = 0;
    bool m_connecting = false;
    bool m_saidUnavailable = false;
};

} // namespace velto
