#pragma once

#include "x11/support/TestKeyboard.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTest>

namespace velto::test {

// The user's hands on a headless mutter: a session of mutter's own remote desktop interface
// typing keys into whichever window has the focus. The session lives as long as this object.
class MutterKeyboard : public TestKeyboard
{
public:
    MutterKeyboard() = default;
    ~MutterKeyboard() override
    {
        if (!m_session.isEmpty())
            m_bus.call(sessionCall(QStringLiteral("Stop")));
    }
    MutterKeyboard(const MutterKeyboard&) = delete;
    MutterKeyboard& operator=(const MutterKeyboard&) = delete;

    // Starts the session and taps Shift: mutter adds its virtual keyboard to the seat on the
    // first key, and until the seat has a keyboard no window gets the keyboard focus (nor,
    // in GTK, the active state that the accessibility bus reports). The reason when it fails.
    QString start()
    {
        const QDBusMessage created = m_bus.call(QDBusMessage::createMethodCall(
            service(), QStringLiteral("/org/gnome/Mutter/RemoteDesktop"), service(),
            QStringLiteral("CreateSession")));
        if (created.type() != QDBusMessage::ReplyMessage || created.arguments().isEmpty())
            return QStringLiteral("no remote desktop session: ") + created.errorMessage();
        m_session = created.arguments().constFirst().value<QDBusObjectPath>().path();
        const QDBusMessage started = m_bus.call(sessionCall(QStringLiteral("Start")));
        if (started.type() != QDBusMessage::ReplyMessage)
            return QStringLiteral("the remote desktop session did not start: ") +
                   started.errorMessage();
        chord({}, shiftL);
        return m_failure;
    }

    void press(std::uint32_t keysym) override { send(keysym, true); }
    void release(std::uint32_t keysym) override { send(keysym, false); }

private:
    static QString service() { return QStringLiteral("org.gnome.Mutter.RemoteDesktop"); }
    QDBusMessage sessionCall(const QString& method) const
    {
        return QDBusMessage::createMethodCall(service(), m_session,
                                              service() + QStringLiteral(".Session"), method);
    }
    // Paced like a person's fingers: every key is an event of its own for the window.
    void send(std::uint32_t keysym, bool pressed)
    {
        QDBusMessage key = sessionCall(QStringLiteral("NotifyKeyboardKeysym"));
        key << keysym << pressed;
        const QDBusMessage reply = m_bus.call(key);
        if (reply.type() != QDBusMessage::ReplyMessage && m_failure.isEmpty())
            m_failure = QStringLiteral("a key was refused: ") + reply.errorMessage();
        QTest::qWait(25);
    }

    QDBusConnection m_bus = QDBusConnection::sessionBus();
    QString m_session;
    QString m_failure;
};

} // namespace velto::test
