#include "platform/linux/KGlobalAccelShortcuts.h"

#include "model/ClientLogger.h"
#include "model/ShortcutKeys.h"
#include "platform/DesktopShortcutsError.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDeadlineTimer>

#include <algorithm>

namespace velto {

namespace {

const QString service = QStringLiteral("org.kde.kglobalaccel");
// A program with more than this many components is not a desktop we understand.
constexpr int maxComponents = 500;

QDBusMessage call(const QDBusConnection& bus, const QString& path, const QString& interface,
                  const QString& method, const QDeadlineTimer& deadline)
{
    const int remaining = static_cast<int>(deadline.remainingTime());
    if (remaining <= 0)
        return QDBusMessage::createError(QStringLiteral("org.freedesktop.DBus.Error.Timeout"),
                                         QStringLiteral("out of time"));
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    return bus.call(message, QDBus::Block, remaining);
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
    const QDeadlineTimer deadline(readBudgetMs);
    const std::optional<QStringList> paths =
        componentPaths(call(m_bus, QStringLiteral("/kglobalaccel"),
                            QStringLiteral("org.kde.KGlobalAccel"),
                            QStringLiteral("allComponents"), deadline));
    QList<QKeyCombination> reserved;
    bool complete = paths.has_value();
    for (const QString& path : paths.value_or(QStringList())) {
        const std::optional<QList<ActionKeys>> actions =
            actionKeys(call(m_bus, path, QStringLiteral("org.kde.kglobalaccel.Component"),
                            QStringLiteral("allShortcutInfos"), deadline));
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
    if (!complete && !m_saidUnreadable) {
        m_saidUnreadable = true;
        ClientLogger::info(u"Plasma's global shortcuts could not be read in full; "
                           u"a taken combination may not show");
    }
    return reserved;
}

void KGlobalAccelShortcuts::setCustomShortcut(QKeyCombination)
{
    throw DesktopShortcutsError::unsupported();
}

} // namespace velto
