#include "platform/linux/AtspiFocusTracker.h"

#include "model/ClientLogger.h"
#include "platform/linux/AtspiBus.h"

#include <QDeadlineTimer>
#include <QPointer>
#include <QVariant>

namespace velto {

namespace {

const QString focusedEvent = QStringLiteral("object:state-changed:focused");
constexpr int registerTimeoutMs = 2000;

} // namespace

AtspiFocusTracker::AtspiFocusTracker(AtspiBus& bus) : m_bus(bus) {}

QCoro::Task<> AtspiFocusTracker::start()
{
    if (m_listening || m_registering)
        co_return;
    // The tracker may be gone when an await resumes (the selection reader that owns it ended).
    QPointer<AtspiFocusTracker> self(this);
    const bool connected = co_await m_bus.ensureConnected();
    if (!self || !connected || m_listening || m_registering)
        co_return;
    m_listening =
        m_bus.subscribe(QStringLiteral("org.a11y.atspi.Event.Object"),
                        QStringLiteral("StateChanged"), this, SLOT(onStateChanged(QDBusMessage)));
    if (!m_listening)
        co_return;
    m_registering = true;
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
        QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"));
    request << focusedEvent;
    const QDBusMessage reply = co_await m_bus.call(request, QDeadlineTimer(registerTimeoutMs));
    if (!self)
        co_return;
    m_registering = false;
    if (reply.type() == QDBusMessage::ErrorMessage)
        ClientLogger::info(u"accessibility focus events unavailable", reply.errorName());
}

void AtspiFocusTracker::onStateChanged(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || arguments.at(0).toString() != QLatin1String("focused") ||
        message.service().isEmpty() || message.path().isEmpty())
        return;
    const bool gained = arguments.at(1).toInt() != 0;
    Focus& focus = m_focusOf[message.service()];
    if (gained)
        focus = Focus{message.path(), true, ++m_events};
    else if (focus.object == message.path())
        focus.held = false;
    else if (focus.object.isEmpty())
        m_focusOf.remove(message.service());
}

std::optional<QString> AtspiFocusTracker::lastFocusedIn(const QString& application) const
{
    const auto found = m_focusOf.constFind(application);
    if (found == m_focusOf.cend())
        return std::nullopt;
    return found->object;
}

std::optional<std::pair<QString, QString>> AtspiFocusTracker::focusedNow() const
{
    std::optional<std::pair<QString, QString>> latest;
    quint64 latestOrder = 0;
    for (auto it = m_focusOf.cbegin(); it != m_focusOf.cend(); ++it) {
        if (it->order > latestOrder) {
            latestOrder = it->order;
            latest = it->held ? std::optional(std::pair(it.key(), it->object)) : std::nullopt;
        }
    }
    return latest;
}

void AtspiFocusTracker::retainOnly(const QSet<QString>& applications)
{
    for (auto it = m_focusOf.begin(); it != m_focusOf.end();)
        it = applications.contains(it.key()) ? std::next(it) : m_focusOf.erase(it);
}

} // namespace velto
