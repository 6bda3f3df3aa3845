#include "platform/wayland/PortalSyntheticKeys.h"

#include "model/ClientLogger.h"
#include "model/PreferenceStore.h"
#include "platform/linux/Keysyms.h"
#include "platform/wayland/PortalRequest.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QPointer>

namespace velto {

namespace {

const QString interfaceName = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
constexpr std::chrono::milliseconds sessionBudget{5000};
// Start may show the desktop's own dialog and wait for the user.
constexpr std::chrono::milliseconds startBudget{120000};
constexpr uint keyboardDevice = 1;
// Kept until the user revokes it.
constexpr uint persistUntilRevoked = 2;
constexpr qsizetype maxRestoreTokenLength = 512;

} // namespace

PortalSyntheticKeys::PortalSyntheticKeys(QDBusConnection bus, PreferenceStore& preferences)
    : m_bus(std::move(bus)), m_preferences(preferences)
{
}

PortalSyntheticKeys::~PortalSyntheticKeys()
{
    PortalRequest::closeSession(m_bus, m_session);
}

std::optional<QString> PortalSyntheticKeys::storedRestoreToken() const
{
    const std::optional<QVariant> stored = m_preferences.object(restoreTokenKey);
    if (!stored || stored->typeId() != QMetaType::QString)
        return std::nullopt;
    const QString token = stored->toString();
    if (token.isEmpty() || token.size() > maxRestoreTokenLength)
        return std::nullopt;
    return token;
}

void PortalSyntheticKeys::startSession()
{
    if (m_state == State::started || m_state == State::starting)
        return;
    runSession();
}

QCoro::Task<> PortalSyntheticKeys::runSession()
{
    QPointer<PortalSyntheticKeys> self(this);
    setState(State::starting);
    QString problem;
    const uint version = co_await PortalRequest::version(m_bus, interfaceName, &problem);
    if (!self)
        co_return;
    if (version == 0) {
        ClientLogger::warning(u"remote desktop portal unavailable: ", problem);
        setState(State::missing, QStringLiteral("the desktop offers no RemoteDesktop portal"));
        co_return;
    }

    auto fail = [this](const PortalRequest::Response& response, QStringView step) {
        const QString why = response.problem.isEmpty()
                                ? QStringLiteral("the portal answered without a session")
                                : response.problem;
        ClientLogger::warning(QStringLiteral("synthetic keys unavailable: %1: ").arg(step), why);
        PortalRequest::closeSession(m_bus, m_session);
        m_session.clear();
        setState(State::failed,
                 QStringLiteral("the desktop did not allow posting keys (%1)").arg(why));
    };

    // Arguments are named before each await: g++ 12 miscompiles braced temporaries there.
    const QVariantList noArguments;
    const QVariantMap createOptions{{QStringLiteral("session_handle_token"), sessionToken}};
    const PortalRequest::Response created =
        co_await PortalRequest::call(m_bus, interfaceName, QStringLiteral("CreateSession"),
                                     noArguments, createOptions, sessionBudget);
    if (!self)
        co_return;
    const QString session = PortalRequest::sessionHandleOf(created.results);
    if (created.code != 0 || session.isEmpty()) {
        fail(created, u"create session");
        co_return;
    }
    m_session = session;
    m_bus.connect(PortalRequest::service, m_session, sessionInterface, QStringLiteral("Closed"),
                  this, SLOT(handleSessionClosed(QDBusMessage)));
    const QVariantList sessionArguments{QVariant::fromValue(QDBusObjectPath(m_session))};
    const QVariantList startArguments{QVariant::fromValue(QDBusObjectPath(m_session)), QString()};
    const QVariantMap noOptions;

    QVariantMap devices{{QStringLiteral("types"), keyboardDevice}};
    // Version 2 of the portal keeps the user's answer across starts.
    if (version >= 2) {
        devices.insert(QStringLiteral("persist_mode"), persistUntilRevoked);
        if (const auto token = storedRestoreToken())
            devices.insert(QStringLiteral("restore_token"), *token);
    }
    const PortalRequest::Response selected =
        co_await PortalRequest::call(m_bus, interfaceName, QStringLiteral("SelectDevices"),
                                     sessionArguments, devices, sessionBudget);
    if (!self)
        co_return;
    if (selected.code != 0) {
        fail(selected, u"select devices");
        co_return;
    }

    const PortalRequest::Response started = co_await PortalRequest::call(
        m_bus, interfaceName, QStringLiteral("Start"), startArguments, noOptions, startBudget);
    if (!self)
        co_return;
    if (started.code != 0) {
        fail(started, u"start");
        co_return;
    }
    const QVariant granted = started.results.value(QStringLiteral("devices"));
    if (granted.typeId() == QMetaType::UInt && !(granted.toUInt() & keyboardDevice)) {
        PortalRequest::Response refused;
        refused.problem = QStringLiteral("no keyboard granted");
        fail(refused, u"start");
        co_return;
    }
    const QVariant token = started.results.value(QStringLiteral("restore_token"));
    if (token.typeId() == QMetaType::QString && !token.toString().isEmpty() &&
        token.toString().size() <= maxRestoreTokenLength)
        m_preferences.setObject(restoreTokenKey, token.toString());
    ClientLogger::info(u"synthetic keys ready");
    setState(State::started);
}

void PortalSyntheticKeys::setState(State state, const QString& problem)
{
    const bool changed = state != m_state || problem != m_problem;
    m_state = state;
    m_problem = problem;
    if (changed && state != State::starting)
        emit stateChanged();
}

void PortalSyntheticKeys::handleSessionClosed(const QDBusMessage& message)
{
    if (m_session.isEmpty() || message.path() != m_session)
        return;
    m_bus.disconnect(PortalRequest::service, m_session, sessionInterface, QStringLiteral("Closed"),
                     this, SLOT(handleSessionClosed(QDBusMessage)));
    m_session.clear();
    m_pressedModifiers.clear();
    ClientLogger::warning(u"synthetic keys session closed by the desktop");
    setState(State::stopped, QStringLiteral("the desktop closed the key session"));
}

bool PortalSyntheticKeys::isAvailable()
{
    return m_state == State::started;
}

bool PortalSyntheticKeys::canPost(QKeyCombination chord)
{
    return Keysyms::forKey(chord.key()).has_value();
}

void PortalSyntheticKeys::post(QKeyCombination chord, bool keyDown)
{
    const auto keysym = Keysyms::forKey(chord.key());
    if (!keysym || m_state != State::started)
        return;
    if (keyDown) {
        m_pressedModifiers = Keysyms::forModifiers(chord.keyboardModifiers());
        for (std::uint32_t modifier : m_pressedModifiers)
            sendKeysym(modifier, true);
        sendKeysym(*keysym, true);
        return;
    }
    sendKeysym(*keysym, false);
    for (auto it = m_pressedModifiers.crbegin(); it != m_pressedModifiers.crend(); ++it)
        sendKeysym(*it, false);
    m_pressedModifiers.clear();
}

void PortalSyntheticKeys::sendKeysym(std::uint32_t keysym, bool pressed)
{
    if (m_state != State::started)
        return;
    m_queuedKeys.append({keysym, pressed});
    sendNextKey();
}

void PortalSyntheticKeys::sendNextKey()
{
    if (m_keyInFlight || m_queuedKeys.isEmpty() || m_state != State::started) {
        if (m_state != State::started)
            m_queuedKeys.clear();
        return;
    }
    // One call at a time: the portal handles its calls on threads of its own and may hand two
    // that are both under way to the desktop in either order (Ctrl after V types a bare "v").
    // It forwards a call before it answers it, so waiting for the answer keeps the order.
    const auto [keysym, pressed] = m_queuedKeys.takeFirst();
    QDBusMessage message =
        QDBusMessage::createMethodCall(PortalRequest::service, PortalRequest::path, interfaceName,
                                       QStringLiteral("NotifyKeyboardKeysym"));
    message.setArguments({QVariant::fromValue(QDBusObjectPath(m_session)), QVariantMap(),
                          static_cast<int>(keysym), static_cast<uint>(pressed ? 1 : 0)});
    m_keyInFlight = true;
    auto* watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(message, static_cast<int>(PortalRequest::callBudget.count())), this);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
            if (call->isError())
                ClientLogger::warning(u"synthetic key not delivered: ", call->error().message());
            call->deleteLater();
            m_keyInFlight = false;
            sendNextKey();
        });
}

} // namespace velto
