#include "platform/linux/AtspiFocusTracker.h"

#include "model/ClientLogger.h"
#include "platform/TimerSleeper.h"
#include "platform/linux/AtspiBus.h"
#include "platform/linux/AtspiReplies.h"

#include <QList>
#include <QPointer>
#include <QVariant>
#include <algorithm>

namespace velto {

using namespace atspi;

namespace {

const QString focusedEvent = QStringLiteral("object:state-changed:focused");
constexpr int registerTimeoutMs = 2000;
constexpr uint sortCanonical = 1;
// A Qt window's focus is a few levels down; a huge tree is not searched to its end.
constexpr int searchedObjectsPerWindow = 400;
// After the bus went away: its launcher is still quitting at first, so the new one is asked for
// a moment later, then less and less often. A selection read asks too.
constexpr std::chrono::milliseconds listenAgainAfter[] = {
    std::chrono::milliseconds(250), std::chrono::seconds(6), std::chrono::seconds(15),
    std::chrono::seconds(30)};

QDBusMessage accessibleCall(const QString& busName, const QString& path, const char* method)
{
    return QDBusMessage::createMethodCall(busName, path, accessibleInterface,
                                          QString::fromLatin1(method));
}

} // namespace

AtspiFocusTracker::AtspiFocusTracker(AtspiBus& bus) : m_bus(bus) {}

bool AtspiFocusTracker::isListening() const
{
    return m_listeningOn != 0 && m_listeningOn == m_bus.connectionNumber() && m_bus.isConnected();
}

QCoro::Task<> AtspiFocusTracker::start()
{
    if (m_starting || isListening())
        co_return;
    m_starting = true;
    // The tracker may be gone when an await resumes (the selection reader that owns it ended).
    QPointer<AtspiFocusTracker> self(this);
    const bool connected = co_await m_bus.ensureConnected();
    if (!self)
        co_return;
    if (!connected || !listen()) {
        m_starting = false;
        co_return;
    }
    co_await registerForFocusEvents();
    if (!self)
        co_return;
    m_starting = false;
    co_await findFocusOfEveryApplication();
}

bool AtspiFocusTracker::listen()
{
    // Bus names of an earlier connection name other applications on this one.
    m_focusOf.clear();
    const bool subscribed =
        m_bus.subscribe(QStringLiteral("org.a11y.atspi.Event.Object"),
                        QStringLiteral("StateChanged"), this, SLOT(onStateChanged(QDBusMessage))) &&
        m_bus.subscribe(QStringLiteral("org.freedesktop.DBus.Local"),
                        QStringLiteral("Disconnected"), this, SLOT(onDisconnected(QDBusMessage)));
    if (subscribed)
        m_listeningOn = m_bus.connectionNumber();
    return subscribed;
}

QCoro::Task<> AtspiFocusTracker::registerForFocusEvents()
{
    QDBusMessage request = QDBusMessage::createMethodCall(
        registryService, QStringLiteral("/org/a11y/atspi/registry"),
        QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"));
    request << focusedEvent;
    const QDBusMessage reply = co_await m_bus.call(request, QDeadlineTimer(registerTimeoutMs));
    // Nothing of this object is touched past the await: it may be gone.
    if (reply.type() == QDBusMessage::ErrorMessage)
        ClientLogger::info(u"accessibility focus events unavailable", reply.errorName());
}

void AtspiFocusTracker::onDisconnected(const QDBusMessage&)
{
    if (m_listeningAgain)
        return;
    ClientLogger::info(u"accessibility bus went away; focus events are followed again once it is "
                       u"back");
    listenAgain();
}

QCoro::Task<> AtspiFocusTracker::listenAgain()
{
    m_listeningAgain = true;
    QPointer<AtspiFocusTracker> self(this);
    TimerSleeper sleeper;
    for (const std::chrono::milliseconds delay : listenAgainAfter) {
        co_await sleeper.sleep(delay);
        if (!self)
            co_return;
        co_await start();
        if (!self)
            co_return;
        if (isListening())
            break;
    }
    m_listeningAgain = false;
}

QCoro::Task<> AtspiFocusTracker::findFocusOfEveryApplication()
{
    QPointer<AtspiFocusTracker> self(this);
    const quint64 connection = m_listeningOn;
    m_searchingOn = connection;
    // Whatever an application says of its focus from here on is newer than what it answers.
    const quint64 searchOrder = ++m_events;
    const QDeadlineTimer deadline(searchBudget);
    const QDBusMessage listed =
        co_await m_bus.call(accessibleCall(registryService, rootPath, "GetChildren"), deadline);
    if (!self)
        co_return;
    for (const Accessible& application : referencesIn<Accessible>(listed)) {
        if (m_listeningOn != connection || deadline.hasExpired())
            break;
        const QDeadlineTimer own(
            std::min<qint64>(deadline.remainingTime(), searchBudgetPerApplication.count()));
        const std::optional<QString> object = co_await focusedObjectOf(application, own);
        if (!self)
            co_return;
        if (!object || m_listeningOn != connection)
            continue;
        Focus& focus = m_focusOf[application.busName];
        if (focus.heard <= searchOrder)
            focus = Focus{*object, true, searchOrder, searchOrder};
    }
    if (m_searchingOn != connection)
        co_return;
    m_searchingOn = 0;
    // What was kept only to say a loss of the focus came after the search asked.
    m_focusOf.removeIf(
        [](QHash<QString, Focus>::iterator entry) { return entry->object.isEmpty(); });
}

QCoro::Task<std::optional<QString>> AtspiFocusTracker::focusedObjectOf(Accessible application,
                                                                       QDeadlineTimer deadline)
{
    QPointer<AtspiFocusTracker> self(this);
    QDBusMessage request =
        QDBusMessage::createMethodCall(application.busName, application.path.path(),
                                       collectionInterface, QStringLiteral("GetMatches"));
    request << QVariant::fromValue(focusedRule()) << sortCanonical << 1 << true;
    const QDBusMessage reply = co_await m_bus.call(request, deadline);
    if (!self)
        co_return std::nullopt;
    if (isReply(reply, QLatin1String("a(so)"))) {
        for (const Accessible& found : referencesIn<Accessible>(reply)) {
            if (found.busName == application.busName)
                co_return found.path.path();
        }
        co_return std::nullopt;
    }
    // An application that answered without the interface is searched by hand; one that did not
    // answer in time has no time left for it.
    if (deadline.hasExpired())
        co_return std::nullopt;
    co_return co_await searchActiveWindowOf(application, deadline);
}

QCoro::Task<std::optional<QString>> AtspiFocusTracker::searchActiveWindowOf(Accessible application,
                                                                            QDeadlineTimer deadline)
{
    QPointer<AtspiFocusTracker> self(this);
    const QDBusMessage windows = co_await m_bus.call(
        accessibleCall(application.busName, application.path.path(), "GetChildren"), deadline);
    if (!self)
        co_return std::nullopt;
    for (const Accessible& window : referencesIn<Accessible>(windows)) {
        QList<Accessible> queue{window};
        for (int looked = 0; looked < searchedObjectsPerWindow && !queue.isEmpty(); ++looked) {
            if (deadline.hasExpired())
                co_return std::nullopt;
            const Accessible object = queue.takeFirst();
            if (object.busName != application.busName)
                continue;
            const QDBusMessage state = co_await m_bus.call(
                accessibleCall(object.busName, object.path.path(), "GetState"), deadline);
            if (!self)
                co_return std::nullopt;
            if (hasState(state, stateFocused))
                co_return object.path.path();
            // Only the active window holds the focus, and within it only what is showing.
            if (!hasState(state, looked == 0 ? stateActive : stateShowing))
                continue;
            const QDBusMessage children = co_await m_bus.call(
                accessibleCall(object.busName, object.path.path(), "GetChildren"), deadline);
            if (!self)
                co_return std::nullopt;
            queue.append(referencesIn<Accessible>(children));
        }
    }
    co_return std::nullopt;
}

void AtspiFocusTracker::onStateChanged(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || arguments.at(0).toString() != QLatin1String("focused") ||
        message.service().isEmpty() || message.path().isEmpty())
        return;
    const bool gained = arguments.at(1).toInt() != 0;
    Focus& focus = m_focusOf[message.service()];
    focus.heard = ++m_events;
    if (gained)
        focus = Focus{message.path(), true, focus.heard, focus.heard};
    else if (focus.object == message.path())
        focus.held = false;
    else if (focus.object.isEmpty() && !m_searchingOn)
        m_focusOf.remove(message.service());
}

std::optional<QString> AtspiFocusTracker::lastFocusedIn(const QString& application) const
{
    if (!isListening())
        return std::nullopt;
    const auto found = m_focusOf.constFind(application);
    if (found == m_focusOf.cend() || found->object.isEmpty())
        return std::nullopt;
    return found->object;
}

std::optional<std::pair<QString, QString>> AtspiFocusTracker::focusedNow() const
{
    if (!isListening())
        return std::nullopt;
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
