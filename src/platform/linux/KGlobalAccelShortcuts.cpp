#include "platform/linux/KGlobalAccelShortcuts.h"

#include "model/ClientLogger.h"
#include "model/ShortcutKeys.h"
#include "platform/DesktopShortcutsError.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QPointer>
#include <qcoro/qcorodbuspendingcall.h>

#include <algorithm>

namespace velto {

namespace {

const QString service = QStringLiteral("org.kde.kglobalaccel");
// A program with more than this many components is not a desktop we understand.
constexpr int maxComponents = 500;

QDBusMessage componentCall(const QString& path, const QString& interface, const QString& method)
{
    return QDBusMessage::createMethodCall(service, path, interface, method);
}

// The component paths of allComponents, an "ao".
std::optional<QStringList> componentPaths(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
        !reply.arguments().first().canConvert<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument argument = reply.arguments().first().value<QDBusArgument>();
    if (argument.currentSignature() != u"ao")
        return std::nullopt;
    QStringList paths;
    argument.beginArray();
    while (!argument.atEnd() && paths.size() < maxComponents) {
        QDBusObjectPath path;
        argument >> path;
        paths << path.path();
    }
    argument.endArray();
    return paths;
}

// The keys of every action in an allShortcutInfos reply, an "a(ssssssaiai)": action, its name,
// component, its name, context, its name, the keys in use and the default keys. Only the keys
// in use count: a default someone moved elsewhere is free.
struct ActionKeys
{
    QString component;
    QList<int> keys;
};

std::optional<QList<ActionKeys>> actionKeys(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
        !reply.arguments().first().canConvert<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument argument = reply.arguments().first().value<QDBusArgument>();
    if (argument.currentSignature() != u"a(ssssssaiai)")
        return std::nullopt;
    QList<ActionKeys> actions;
    argument.beginArray();
    while (!argument.atEnd()) {
        QString action, actionName, component, componentName, context, contextName;
        QList<int> keys, defaultKeys;
        argument.beginStructure();
        argument >> action >> actionName >> component >> componentName >> context >> contextName >>
            keys >> defaultKeys;
        argument.endStructure();
        actions.append({component, keys});
    }
    argument.endArray();
    return actions;
}

} // namespace

bool KGlobalAccelShortcuts::runsOn(const QString& currentDesktop)
{
    const QStringList names = currentDesktop.split(u':', Qt::SkipEmptyParts);
    return std::any_of(names.cbegin(), names.cend(), [](const QString& name) {
        return name.trimmed().compare(u"KDE", Qt::CaseInsensitive) == 0;
    });
}

KGlobalAccelShortcuts::KGlobalAccelShortcuts(QDBusConnection bus, QStringList ownComponents)
    : m_bus(std::move(bus)), m_ownComponents(std::move(ownComponents))
{
}

QList<QKeyCombination> KGlobalAccelShortcuts::reservedShortcuts()
{
    if (m_reading == 0 && (!m_lastRead.isValid() || m_lastRead.hasExpired(refreshAfterMs)))
        refresh();
    return m_reserved;
}

QCoro::Task<> KGlobalAccelShortcuts::refresh()
{
    // The reader may be gone when an answer comes; nothing of it is touched after that.
    QPointer<KGlobalAccelShortcuts> self(this);
    ++m_reading;
    const quint64 read = ++m_reads;
    // Calls are made before the await: g++ 12 miscompiles temporaries inside co_await.
    QDBusPendingCall listing = m_bus.asyncCall(componentCall(QStringLiteral("/kglobalaccel"),
                                                             QStringLiteral("org.kde.KGlobalAccel"),
                                                             QStringLiteral("allComponents")),
                                               readBudgetMs);
    const QDBusMessage components = co_await listing;
    if (!self)
        co_return;
    const std::optional<QStringList> paths = componentPaths(components);
    if (!paths) {
        // Nothing read: the last answer stands.
        --m_reading;
        m_lastRead.start();
        sayUnreadable();
        co_return;
    }
    QList<QDBusPendingCall> pending;
    for (const QString& path : *paths)
        pending << m_bus.asyncCall(componentCall(path,
                                                 QStringLiteral("org.kde.kglobalaccel.Component"),
                                                 QStringLiteral("allShortcutInfos")),
                                   readBudgetMs);
    QList<QDBusMessage> replies;
    for (QDBusPendingCall& answer : pending) {
        const QDBusMessage reply = co_await answer;
        if (!self)
            co_return;
        replies << reply;
    }
    --m_reading;
    m_lastRead.start();
    // A read that started later and already ended knows better.
    if (read < m_applied)
        co_return;
    m_applied = read;

    QList<QKeyCombination> reserved;
    bool complete = true;
    for (const QDBusMessage& reply : replies) {
        const std::optional<QList<ActionKeys>> actions = actionKeys(reply);
        if (!actions) {
            complete = false;
            continue;
        }
        for (const ActionKeys& action : *actions) {
            if (m_ownComponents.contains(action.component))
                continue;
            for (const int key : action.keys) {
                // Only Super with a letter (and Shift) is a combination Velto could want.
                const QKeyCombination combination = QKeyCombination::fromCombined(key);
                if (ShortcutKeys::parsedShortcut(combination) && !reserved.contains(combination))
                    reserved.append(combination);
            }
        }
    }
    if (!complete)
        sayUnreadable();
    if (reserved == m_reserved)
        co_return;
    m_reserved = reserved;
    emit reservedShortcutsChanged();
}

void KGlobalAccelShortcuts::sayUnreadable()
{
    if (m_saidUnreadable)
        return;
    m_saidUnreadable = true;
    ClientLogger::info(u"Plasma's global shortcuts could not be read in full; "
                       u"a taken combination may not show");
}

void KGlobalAccelShortcuts::setCustomShortcut(QKeyCombination)
{
    throw DesktopShortcutsError::unsupported();
}

} // namespace velto
