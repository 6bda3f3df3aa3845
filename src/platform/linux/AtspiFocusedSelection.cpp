#include "platform/linux/AtspiFocusedSelection.h"

#include "platform/SessionType.h"
#include "platform/TimerSleeper.h"
#include "platform/Workspace.h"
#include "platform/linux/AtspiBus.h"
#include "platform/linux/AtspiEditableText.h"
#include "platform/linux/AtspiFocusTracker.h"
#include "platform/linux/AtspiReplies.h"
#include "platform/linux/AtspiTextBounds.h"

#include <QDBusMessage>
#include <QSet>

namespace velto {

using namespace atspi;

namespace {

const QString textInterface = QStringLiteral("org.a11y.atspi.Text");

constexpr uint sortCanonical = 1;

} // namespace

AtspiFocusedSelection::AtspiFocusedSelection(Workspace& workspace)
    : m_workspace(workspace), m_bus(std::make_unique<AtspiBus>()),
      m_focus(std::make_unique<AtspiFocusTracker>(*m_bus)),
      m_editable(std::make_unique<AtspiEditableText>(*m_bus)),
      m_bounds(std::make_unique<AtspiTextBounds>(*m_bus)),
      m_placesKnown(currentSessionType() == SessionType::x11)
{
}

AtspiFocusedSelection::~AtspiFocusedSelection() = default;

void AtspiFocusedSelection::warmUp()
{
    m_focus->start();
}

QCoro::Task<FocusedSelection::Replacement> AtspiFocusedSelection::replace(SelectedRange range,
                                                                          QString text)
{
    co_return co_await m_editable->replace(range, text);
}

QCoro::Task<std::optional<SelectedRange>> AtspiFocusedSelection::selectedRange()
{
    // Without the process in front (Wayland tells a client nothing of the others), every
    // application is asked: only the active window's focus widget is in the focused state.
    const std::optional<RunningApplication> front = m_workspace.activeApplication();
    const std::optional<qint64> process = front && front->processIdentifier > 0
                                              ? std::optional(front->processIdentifier)
                                              : std::nullopt;
    if (!co_await m_bus->ensureConnected())
        co_return std::nullopt;
    m_focus->start(); // not awaited: its registration must not hold this read up

    const QDeadlineTimer deadline(readBudget);
    const QList<Accessible> applications = co_await applicationsOf(process, deadline);
    if (applications.isEmpty())
        co_return std::nullopt;
    if (auto selection = co_await selectionWhereFocusWent(applications, bool(process), deadline))
        co_return selection;
    // Without focus events (none came yet, or the object has gone): the shortcut's key grab takes
    // the keyboard focus from the window for a moment, and until the application has seen it
    // come back, nothing of it is focused. Ask again shortly (only the application in front:
    // asking all of them again would cost every press the budget).
    TimerSleeper sleeper;
    do {
        for (const Accessible& application : applications) {
            const std::optional<Accessible> focused =
                co_await focusedObjectOf(application, deadline);
            if (focused)
                co_return co_await selectionOf(*focused, deadline);
        }
    } while (process && co_await sleeper.sleep(focusRetryDelay) && !deadline.hasExpired());
    co_return std::nullopt;
}

QCoro::Task<QList<AtspiFocusedSelection::Accessible>>
AtspiFocusedSelection::applicationsOf(std::optional<qint64> processIdentifier,
                                      QDeadlineTimer deadline)
{
    const QDBusMessage reply = co_await m_bus->call(
        QDBusMessage::createMethodCall(registryService, rootPath, accessibleInterface,
                                       QStringLiteral("GetChildren")),
        deadline);
    const QList<Accessible> listed = referencesIn<Accessible>(reply);
    if (!processIdentifier)
        co_return listed;
    // A new connection is a new bus, whose names may be those of other processes.
    if (m_processesOn != m_bus->connectionNumber()) {
        m_processOfBusName.clear();
        m_processesOn = m_bus->connectionNumber();
    }

    QSet<QString> names;
    QList<Accessible> matching;
    for (const Accessible& application : listed) {
        names.insert(application.busName);
        auto known = m_processOfBusName.constFind(application.busName);
        if (known == m_processOfBusName.cend()) {
            const std::optional<qint64> process =
                co_await m_bus->processOf(application.busName, deadline);
            if (!process)
                continue;
            known = m_processOfBusName.insert(application.busName, *process);
        }
        if (*known == processIdentifier)
            matching.append(application);
    }
    // Applications that left the bus: forget them, so the tables do not grow for ever.
    if (!listed.isEmpty()) {
        for (auto it = m_processOfBusName.begin(); it != m_processOfBusName.end();)
            it = names.contains(it.key()) ? std::next(it) : m_processOfBusName.erase(it);
        m_focus->retainOnly(names);
    }
    co_return matching;
}

QCoro::Task<std::optional<AtspiFocusedSelection::Accessible>>
AtspiFocusedSelection::focusedObjectOf(Accessible application, QDeadlineTimer deadline)
{
    QDBusMessage request =
        QDBusMessage::createMethodCall(application.busName, application.path.path(),
                                       collectionInterface, QStringLiteral("GetMatches"));
    request << QVariant::fromValue(focusedRule()) << sortCanonical << 1 << true;
    const QList<Accessible> found =
        referencesIn<Accessible>(co_await m_bus->call(request, deadline));
    if (found.isEmpty())
        co_return std::nullopt;
    co_return found.constFirst();
}

QCoro::Task<std::optional<SelectedRange>>
AtspiFocusedSelection::selectionWhereFocusWent(const QList<Accessible>& applications,
                                               bool frontKnown, QDeadlineTimer deadline)
{
    if (!frontKnown) {
        // Every application is listed: only an object that holds the focus now is the user's.
        const auto focused = m_focus->focusedNow();
        if (!focused)
            co_return std::nullopt;
        // Named, not a temporary in the co_await: g++ 12 destroys those twice.
        const Accessible object{focused->first, QDBusObjectPath(focused->second)};
        // Not every toolkit says when its focus leaves: ask the object whether it still has it.
        if (!co_await isFocused(object, deadline))
            co_return std::nullopt;
        co_return co_await selectionOf(object, deadline);
    }
    for (const Accessible& application : applications) {
        // Held or lost since: the key grab may have taken it, and the application is in front.
        const std::optional<QString> path = m_focus->lastFocusedIn(application.busName);
        if (!path)
            continue;
        const Accessible object{application.busName, QDBusObjectPath(*path)};
        if (auto selection = co_await selectionOf(object, deadline))
            co_return selection;
    }
    co_return std::nullopt;
}

QCoro::Task<bool> AtspiFocusedSelection::isFocused(Accessible object, QDeadlineTimer deadline)
{
    const QDBusMessage request = QDBusMessage::createMethodCall(
        object.busName, object.path.path(), accessibleInterface, QStringLiteral("GetState"));
    const QDBusMessage state = co_await m_bus->call(request, deadline);
    co_return hasState(state, stateFocused);
}

QCoro::Task<std::optional<SelectedRange>>
AtspiFocusedSelection::selectionOf(Accessible object, QDeadlineTimer deadline)
{
    const auto textCall = [&object](const char* method) {
        return QDBusMessage::createMethodCall(object.busName, object.path.path(), textInterface,
                                              QString::fromLatin1(method));
    };
    // No Text interface answers with an error: that is "no selection here" too.
    const QDBusMessage count = co_await m_bus->call(textCall("GetNSelections"), deadline);
    if (!isReply(count, QLatin1String("i")) || count.arguments().constFirst().toInt() < 1)
        co_return std::nullopt;

    QDBusMessage rangeRequest = textCall("GetSelection");
    rangeRequest << 0;
    const QDBusMessage range = co_await m_bus->call(rangeRequest, deadline);
    if (!isReply(range, QLatin1String("ii")))
        co_return std::nullopt;
    const int start = range.arguments().at(0).toInt();
    const int end = range.arguments().at(1).toInt();
    if (start < 0 || end <= start)
        co_return std::nullopt;

    QDBusMessage textRequest = textCall("GetText");
    textRequest << start << end;
    QCoro::Task<QDBusMessage> textAnswer = m_bus->call(textRequest, deadline);
    // Asked while the text is on its way, so the place costs the read no round trip of its own.
    // Awaited even when the text fails: its calls must not outlive this object.
    QCoro::Task<std::optional<QRect>> place = boundsOf(object, start, end, deadline);
    const QDBusMessage text = co_await textAnswer;
    const std::optional<QRect> bounds = co_await place;
    if (!isReply(text, QLatin1String("s")))
        co_return std::nullopt;
    co_return SelectedRange{
        object.busName, object.path.path(), start, end, text.arguments().constFirst().toString(),
        bounds};
}

QCoro::Task<std::optional<QRect>> AtspiFocusedSelection::boundsOf(Accessible object, int start,
                                                                  int end, QDeadlineTimer deadline)
{
    // On Wayland an application does not know where its window is: GTK and Qt answer with
    // places inside the window, which would look like places on screen.
    if (!m_placesKnown)
        co_return std::nullopt;
    co_return co_await m_bounds->of(object.busName, object.path.path(), start, end, deadline);
}

} // namespace velto
