#include "platform/wayland/PortalKeyTap.h"

#include "model/ClientLogger.h"
#include "platform/linux/Keysyms.h"
#include "platform/wayland/PortalRequest.h"
#include "platform/wayland/PortalShortcut.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QPointer>
#include <qcoro/qcorodbuspendingcall.h>

namespace velto {

namespace {

const QString interfaceName = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
constexpr std::chrono::milliseconds sessionBudget{5000};
constexpr int maxRebindsAfterClose = 3;
constexpr int rebindAfterCloseMs = 2000;
constexpr qsizetype maxTriggerLength = 200;

} // namespace

PortalKeyTap::PortalKeyTap(QDBusConnection bus) : m_bus(std::move(bus))
{
    PortalShortcut::registerType();
    m_releaseWait.setSingleShot(true);
    m_releaseWait.setInterval(releaseWaitMs);
    connect(&m_releaseWait, &QTimer::timeout, this, [this] { deliverPress(); });
    if (!m_bus.isConnected())
        return;
    m_bus.connect(PortalRequest::service, PortalRequest::path, interfaceName,
                  QStringLiteral("Activated"), this, SLOT(handleActivated(QDBusMessage)));
    m_bus.connect(PortalRequest::service, PortalRequest::path, interfaceName,
                  QStringLiteral("Deactivated"), this, SLOT(handleDeactivated(QDBusMessage)));
    m_bus.connect(PortalRequest::service, PortalRequest::path, interfaceName,
                  QStringLiteral("ShortcutsChanged"), this,
                  SLOT(handleShortcutsChanged(QDBusMessage)));
}

PortalKeyTap::~PortalKeyTap()
{
    closeSession();
}

QString PortalKeyTap::preferredTrigger(QKeyCombination shortcut)
{
    // The modifiers in this order keep the spelling (and so the ids derived from it) that
    // desktops already store: "LOGO+SHIFT+L".
    QStringList parts;
    const Qt::KeyboardModifiers modifiers = shortcut.keyboardModifiers();
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    const std::uint32_t letter = Keysyms::forKey(shortcut.key()).value_or('l');
    parts << QString(QChar(char16_t(letter))).toUpper();
    return parts.join(u'+');
}

QString PortalKeyTap::shortcutID(QKeyCombination shortcut)
{
    return QStringLiteral("rewrite-") + preferredTrigger(shortcut).toLower().replace(u'+', u'-');
}

void PortalKeyTap::bind(QKeyCombination shortcut)
{
    m_shortcut = shortcut;
    if (m_state == State::binding) {
        m_rebindWanted = true;
        return;
    }
    if (m_state == State::bound && m_bound == shortcut)
        return;
    bindSession();
}

QCoro::Task<> PortalKeyTap::bindSession()
{
    // The tap may go away while a call is out; nothing of it is touched after that.
    QPointer<PortalKeyTap> self(this);
    setState(State::binding);
    do {
        m_rebindWanted = false;
        QString problem;
        const uint version = co_await PortalRequest::version(m_bus, interfaceName, &problem);
        if (!self)
            co_return;
        if (version == 0) {
            ClientLogger::warning(u"global shortcut portal unavailable: ", problem);
            setState(State::missing,
                     QStringLiteral("the desktop offers no GlobalShortcuts portal"));
            co_return;
        }
        if (!m_session.isEmpty()) {
            // The next session takes the same token: the old one must be gone first.
            const QDBusMessage close = QDBusMessage::createMethodCall(
                PortalRequest::service, m_session, sessionInterface, QStringLiteral("Close"));
            m_session.clear();
            co_await m_bus.asyncCall(close, static_cast<int>(PortalRequest::callBudget.count()));
            if (!self)
                co_return;
        }
        const QKeyCombination wanted = m_shortcut;
        const QString preferred = preferredTrigger(wanted);
        PortalShortcut shortcut{
            shortcutID(wanted),
            //: what the shortcut does, shown in the desktop's shortcut settings
            {{QStringLiteral("description"),
              QCoreApplication::translate("PortalKeyTap", "Rewrite the selected text")},
             {QStringLiteral("preferred_trigger"), preferred}}};
        const QVariantMap options{
            {QStringLiteral("session_handle_token"), sessionToken},
            {QStringLiteral("shortcuts"), QVariant::fromValue(QList<PortalShortcut>{shortcut})}};
        const QVariantList arguments;
        const PortalRequest::Response response =
            co_await PortalRequest::call(m_bus, interfaceName, QStringLiteral("CreateSession"),
                                         arguments, options, sessionBudget);
        if (!self)
            co_return;
        const QString session =
            response.code == 0 ? PortalRequest::sessionHandleOf(response.results) : QString();
        if (!response.answered || response.code != 0 || session.isEmpty()) {
            const QString why = response.problem.isEmpty()
                                    ? QStringLiteral("the portal returned no session")
                                    : response.problem;
            ClientLogger::warning(u"global shortcut not bound: ", why);
            setState(State::failed,
                     QStringLiteral("the desktop did not bind the shortcut (%1)").arg(why));
            co_return;
        }
        m_session = session;
        m_bound = wanted;
        m_bus.connect(PortalRequest::service, m_session, sessionInterface, QStringLiteral("Closed"),
                      this, SLOT(handleSessionClosed(QDBusMessage)));
        ClientLogger::info(u"global shortcut bound: ", preferred);
        if (const auto trigger =
                triggerIn(response.results.value(QStringLiteral("shortcuts")), shortcutID(wanted)))
            noteTrigger(*trigger);
        else
            co_await readTrigger();
        if (!self)
            co_return;
    } while (m_rebindWanted || m_bound != m_shortcut);
    setState(State::bound);
}

QCoro::Task<> PortalKeyTap::readTrigger()
{
    QPointer<PortalKeyTap> self(this);
    const QString session = m_session;
    // Arguments are named before the await: g++ 12 miscompiles braced temporaries there.
    const QVariantList arguments{QVariant::fromValue(QDBusObjectPath(session))};
    const QVariantMap options;
    const PortalRequest::Response response = co_await PortalRequest::call(
        m_bus, interfaceName, QStringLiteral("ListShortcuts"), arguments, options, sessionBudget);
    if (!self || session != m_session || !m_bound || !response.answered || response.code != 0)
        co_return;
    if (const auto trigger =
            triggerIn(response.results.value(QStringLiteral("shortcuts")), shortcutID(*m_bound)))
        noteTrigger(*trigger);
}

std::optional<QString> PortalKeyTap::triggerIn(const QVariant& shortcuts, const QString& id)
{
    if (!shortcuts.canConvert<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument argument = shortcuts.value<QDBusArgument>();
    if (argument.currentSignature() != QStringLiteral("a(sa{sv})"))
        return std::nullopt;
    QList<PortalShortcut> list;
    argument >> list;
    for (const PortalShortcut& entry : list) {
        if (entry.id != id)
            continue;
        const QVariant description = entry.properties.value(QStringLiteral("trigger_description"));
        if (description.typeId() != QMetaType::QString)
            return QString();
        return description.toString().left(maxTriggerLength);
    }
    return std::nullopt;
}

void PortalKeyTap::noteTrigger(const QString& trigger)
{
    if (trigger == m_trigger)
        return;
    m_trigger = trigger;
    if (trigger.isEmpty())
        ClientLogger::warning(u"global shortcut has no keys: ",
                              u"assign one in the desktop's shortcut settings");
    else
        ClientLogger::info(u"global shortcut trigger assigned by the desktop: ", trigger);
    emit triggerChanged(trigger);
}

void PortalKeyTap::setState(State state, const QString& problem)
{
    const bool changed = state != m_state || problem != m_problem;
    m_state = state;
    m_problem = problem;
    if (state == State::bound)
        m_closedInARow = 0;
    if (changed && state != State::binding)
        emit stateChanged();
}

bool PortalKeyTap::isOurShortcut(const QDBusMessage& message) const
{
    const QList<QVariant> arguments = message.arguments();
    if (m_session.isEmpty() || !m_bound || arguments.size() < 2 ||
        !arguments.at(0).canConvert<QDBusObjectPath>() ||
        arguments.at(1).typeId() != QMetaType::QString)
        return false;
    return arguments.at(0).value<QDBusObjectPath>().path() == m_session &&
           arguments.at(1).toString() == shortcutID(*m_bound);
}

void PortalKeyTap::handleActivated(const QDBusMessage& message)
{
    if (!isOurShortcut(message) || m_pressed)
        return;
    // The press is handed on when the keys are released: the copy and paste keys posted next
    // would otherwise reach the application together with the Super the user still holds.
    m_pressed = true;
    m_releaseWait.start(releaseWaitMs);
}

void PortalKeyTap::handleDeactivated(const QDBusMessage& message)
{
    if (isOurShortcut(message) && m_pressed)
        m_releaseWait.start(modifierReleaseGraceMs);
}

void PortalKeyTap::deliverPress()
{
    m_releaseWait.stop();
    if (!m_pressed)
        return;
    m_pressed = false;
    // The desktop only reports our own combination.
    if (!m_handler || !m_bound)
        return;
    m_handler(*m_bound);
}

void PortalKeyTap::handleShortcutsChanged(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (m_session.isEmpty() || !m_bound || arguments.size() < 2 ||
        !arguments.at(0).canConvert<QDBusObjectPath>() ||
        arguments.at(0).value<QDBusObjectPath>().path() != m_session)
        return;
    if (const auto trigger = triggerIn(arguments.at(1), shortcutID(*m_bound)))
        noteTrigger(*trigger);
}

void PortalKeyTap::handleSessionClosed(const QDBusMessage& message)
{
    if (message.path() != m_session || m_session.isEmpty())
        return;
    m_bus.disconnect(PortalRequest::service, m_session, sessionInterface, QStringLiteral("Closed"),
                     this, SLOT(handleSessionClosed(QDBusMessage)));
    m_session.clear();
    m_pressed = false;
    m_releaseWait.stop();
    ClientLogger::warning(u"global shortcut session closed by the desktop");
    setState(State::unbound, QStringLiteral("the desktop closed the shortcut session"));
    // The listener still wants the shortcut: bind again, a few times at most.
    if (m_handler && ++m_closedInARow <= maxRebindsAfterClose) {
        QTimer::singleShot(rebindAfterCloseMs, this, [this] {
            if (m_handler && m_state == State::unbound)
                bindSession();
        });
    }
}

void PortalKeyTap::closeSession()
{
    if (m_session.isEmpty())
        return;
    m_bus.disconnect(PortalRequest::service, m_session, sessionInterface, QStringLiteral("Closed"),
                     this, SLOT(handleSessionClosed(QDBusMessage)));
    PortalRequest::closeSession(m_bus, m_session);
    m_session.clear();
}

GlobalKeyTap::StartResult PortalKeyTap::start(QKeyCombination shortcut, Handler handler)
{
    m_handler = std::move(handler);
    bind(shortcut);
    return m_state == State::bound || m_state == State::binding ? StartResult::started
                                                                : StartResult::tapUnavailable;
}

bool PortalKeyTap::retarget(QKeyCombination shortcut)
{
    bind(shortcut);
    return m_state == State::bound || m_state == State::binding;
}

void PortalKeyTap::stop()
{
    m_handler = {};
    m_pressed = false;
    m_releaseWait.stop();
    closeSession();
    if (m_state == State::bound)
        setState(State::unbound);
}

} // namespace velto
