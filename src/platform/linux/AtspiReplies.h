#pragma once

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Reading the accessibility bus's answers, shared by the classes that ask it. An application's
// answer is untrusted: anything of another shape reads as nothing.
namespace velto::atspi {

inline const QString registryService = QStringLiteral("org.a11y.atspi.Registry");
inline const QString rootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
inline const QString accessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");
inline const QString collectionInterface = QStringLiteral("org.a11y.atspi.Collection");

// Bits of the first word of GetState's answer.
constexpr int stateActive = 1;
constexpr int stateFocused = 12;
constexpr int stateShowing = 25;

inline bool isReply(const QDBusMessage& reply, QLatin1String signature)
{
    return reply.type() == QDBusMessage::ReplyMessage && reply.signature() == signature;
}

// An "a(so)" answer: references to accessible objects (bus name and object path).
template <typename Reference> QList<Reference> referencesIn(const QDBusMessage& reply)
{
    QList<Reference> references;
    if (!isReply(reply, QLatin1String("a(so)")))
        return references;
    const QDBusArgument list = reply.arguments().constFirst().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        Reference reference;
        list.beginStructure();
        list >> reference.busName >> reference.path;
        list.endStructure();
        if (!reference.busName.isEmpty() && !reference.path.path().isEmpty())
            references.append(reference);
    }
    list.endArray();
    return references;
}

// GetState's answer ("au"): whether that state is set; false for anything else.
inline bool hasState(const QDBusMessage& reply, int state)
{
    if (!isReply(reply, QLatin1String("au")))
        return false;
    const QList<uint> bits = qdbus_cast<QList<uint>>(reply.arguments().constFirst());
    return !bits.isEmpty() && (bits.constFirst() & (1u << state)) != 0;
}

// Collection's match rule for objects in the FOCUSED state, whatever else they are.
inline QDBusArgument focusedRule()
{
    constexpr int matchAll = 1;
    QDBusArgument rule;
    rule.beginStructure();
    rule << QList<int>{1 << stateFocused, 0} << matchAll;
    rule << QMap<QString, QString>{} << matchAll;
    rule << QList<int>{} << matchAll;
    rule << QStringList{} << matchAll;
    rule << false;
    rule.endStructure();
    return rule;
}

} // namespace velto::atspi
