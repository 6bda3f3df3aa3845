#include "x11/support/AccessibleTextPeer.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QList>

namespace {

const QString connectionName = QStringLiteral("velto-test-accessible-peer");
const QString rootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
const QString textPath = QStringLiteral("/org/a11y/atspi/accessible/text");

struct Reference
{
    QString busName;
    QDBusObjectPath path;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Reference& reference)
{
    argument.beginStructure();
    argument << reference.busName << reference.path;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Reference& reference)
{
    argument.beginStructure();
    argument >> reference.busName >> reference.path;
    argument.endStructure();
    return argument;
}

QVariantList extents(const QRect& rectangle)
{
    return {rectangle.x(), rectangle.y(), rectangle.width(), rectangle.height()};
}

} // namespace

Q_DECLARE_METATYPE(Reference)

namespace velto::test {

AccessibleTextPeer::AccessibleTextPeer()
{
    qDBusRegisterMetaType<Reference>();
    qDBusRegisterMetaType<QList<Reference>>();
}

AccessibleTextPeer::~AccessibleTextPeer()
{
    if (m_connection)
        QDBusConnection::disconnectFromBus(connectionName);
}

bool AccessibleTextPeer::start()
{
    const QDBusMessage address = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")));
    if (address.type() != QDBusMessage::ReplyMessage || address.arguments().isEmpty())
        return false;
    QDBusConnection connection =
        QDBusConnection::connectToBus(address.arguments().constFirst().toString(), connectionName);
    if (!connection.isConnected() ||
        !connection.registerVirtualObject(QStringLiteral("/org/a11y/atspi/accessible"), this,
                                          QDBusConnection::SubPath))
        return false;
    m_connection = connection;
    QDBusMessage embed = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.atspi.Registry"), rootPath,
        QStringLiteral("org.a11y.atspi.Socket"), QStringLiteral("Embed"));
    embed << QVariant::fromValue(Reference{connection.baseService(), QDBusObjectPath(rootPath)});
    return connection.call(embed).type() == QDBusMessage::ReplyMessage;
}

bool AccessibleTextPeer::handleMessage(const QDBusMessage& message,
                                       const QDBusConnection& connection)
{
    const QString member = message.member();
    const QVariantList arguments = message.arguments();
    QDBusMessage reply =
        message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.Failed"),
                                 QStringLiteral("not answered by this peer"));
    if (member == QLatin1String("GetMatches")) {
        reply = message.createReply(QVariant::fromValue(
            QList<Reference>{{connection.baseService(), QDBusObjectPath(textPath)}}));
    } else if (member == QLatin1String("GetNSelections")) {
        reply = message.createReply(1);
    } else if (member == QLatin1String("GetSelection")) {
        reply = message.createReply(QVariantList{3, 3 + int(text.size())});
    } else if (member == QLatin1String("GetText")) {
        reply = message.createReply(text);
    } else if (member == QLatin1String("GetRangeExtents")) {
        ++rangeCalls;
        if (rangeExtents)
            reply = message.createReply(extents(*rangeExtents));
    } else if (member == QLatin1String("GetCharacterExtents")) {
        const auto found = characterExtents.constFind(arguments.value(0).toInt());
        if (found != characterExtents.cend())
            reply = message.createReply(extents(*found));
    }
    connection.send(reply);
    return true;
}

QString AccessibleTextPeer::introspect(const QString&) const
{
    return QString();
}

} // namespace velto::test
