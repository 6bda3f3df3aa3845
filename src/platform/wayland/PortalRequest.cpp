#include "platform/wayland/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QRandomGenerator>
#include <qcoro/qcorodbuspendingcall.h>
#include <qcoro/qcorosignal.h>

namespace velto {

namespace {

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

QString newHandleToken()
{
    static quint32 counter = 0;
    return QStringLiteral("velto%1_%2").arg(++counter).arg(QRandomGenerator::global()->generate());
}

// The portal names a request after the caller's unique bus name: ":1.42" becomes "1_42".
QString requestPathFor(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService();
    sender.remove(0, sender.startsWith(u':') ? 1 : 0);
    sender.replace(u'.', u'_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

} // namespace

bool PortalRequest::subscribe(const QString& requestPath)
{
    unsubscribe();
    m_requestPath = requestPath;
    return m_bus.connect(service, requestPath, requestInterface, QStringLiteral("Response"), this,
                         SLOT(handleResponse(uint, QVariantMap)));
}

void PortalRequest::unsubscribe()
{
    if (m_requestPath.isEmpty())
        return;
    m_bus.disconnect(service, m_requestPath, requestInterface, QStringLiteral("Response"), this,
                     SLOT(handleResponse(uint, QVariantMap)));
    m_requestPath.clear();
}

void PortalRequest::handleResponse(uint code, const QVariantMap& results)
{
    if (m_responded)
        return;
    m_responded = true;
    m_code = code;
    m_results = results;
    emit responded();
}

QCoro::Task<PortalRequest::Response> PortalRequest::call(QDBusConnection bus, QString interface,
                                                         QString method, QVariantList arguments,
                                                         QVariantMap options,
                                                         std::chrono::milliseconds responseBudget)
{
    Response response;
    if (!bus.isConnected()) {
        response.problem = QStringLiteral("no session bus");
        co_return response;
    }
    const QString token = newHandleToken();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);

    PortalRequest request(bus);
    request.subscribe(requestPathFor(bus, token));

    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply =
        co_await bus.asyncCall(message, static_cast<int>(callBudget.count()));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        response.problem =
            reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
        co_return response;
    }
    // Older portals choose the request path themselves and say which in the reply.
    const QList<QVariant> replyArguments = reply.arguments();
    if (!replyArguments.isEmpty() && replyArguments.first().canConvert<QDBusObjectPath>()) {
        const QString answeredPath = replyArguments.first().value<QDBusObjectPath>().path();
        if (!answeredPath.isEmpty() && answeredPath != request.m_requestPath &&
            !request.m_responded)
            request.subscribe(answeredPath);
    }
    if (!request.m_responded) {
        const auto woke = co_await qCoro(&request, &PortalRequest::responded, responseBudget);
        if (!woke && !request.m_responded) {
            QDBusMessage close = QDBusMessage::createMethodCall(
                service, request.m_requestPath, requestInterface, QStringLiteral("Close"));
            bus.asyncCall(close, static_cast<int>(callBudget.count()));
            request.unsubscribe();
            response.problem = QStringLiteral("the portal did not answer %1 in time").arg(method);
            co_return response;
        }
    }
    request.unsubscribe();
    response.answered = true;
    response.code = request.m_code;
    response.results = request.m_results;
    if (response.code != 0)
        response.problem = response.code == 1 ? QStringLiteral("cancelled by the user")
                                              : QStringLiteral("refused by the portal");
    co_return response;
}

QCoro::Task<uint> PortalRequest::version(QDBusConnection bus, QString interface, QString* problem)
{
    if (!bus.isConnected()) {
        if (problem)
            *problem = QStringLiteral("no session bus");
        co_return 0u;
    }
    QDBusMessage message =
        QDBusMessage::createMethodCall(service, path, propertiesInterface, QStringLiteral("Get"));
    message.setArguments({interface, QStringLiteral("version")});
    const QDBusMessage reply =
        co_await bus.asyncCall(message, static_cast<int>(callBudget.count()));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        if (problem)
            *problem = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
        co_return 0u;
    }
    const QVariant value = reply.arguments().first().value<QDBusVariant>().variant();
    bool ok = false;
    const uint version = value.toUInt(&ok);
    if (!ok || value.typeId() != QMetaType::UInt) {
        if (problem)
            *problem = QStringLiteral("the portal reports no version of %1").arg(interface);
        co_return 0u;
    }
    co_return version;
}

void PortalRequest::closeSession(QDBusConnection bus, const QString& sessionHandle)
{
    if (sessionHandle.isEmpty() || !bus.isConnected())
        return;
    const QDBusMessage close = QDBusMessage::createMethodCall(
        service, sessionHandle, QStringLiteral("org.freedesktop.portal.Session"),
        QStringLiteral("Close"));
    bus.asyncCall(close, static_cast<int>(callBudget.count()));
}

QString PortalRequest::sessionHandleOf(const QVariantMap& results)
{
    const QVariant value = results.value(QStringLiteral("session_handle"));
    QString handle;
    if (value.typeId() == QMetaType::QString)
        handle = value.toString();
    else if (value.canConvert<QDBusObjectPath>())
        handle = value.value<QDBusObjectPath>().path();
    // Only a path under the portal's own tree is a session we may talk to.
    if (!handle.startsWith(QStringLiteral("/org/freedesktop/portal/desktop/session/")))
        return {};
    return handle;
}

} // namespace velto
