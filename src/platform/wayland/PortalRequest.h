#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <chrono>
#include <qcoro/qcorotask.h>

namespace velto {

// One call of an XDG desktop portal method that answers through a Request object's Response
// signal. The signal is subscribed before the call (on the path the handle token fixes), so an
// early answer is never missed. Everything the portal sends back is untrusted.
class PortalRequest : public QObject
{
    Q_OBJECT

public:
    static inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
    static constexpr std::chrono::milliseconds callBudget{3000};

    struct Response
    {
        // False when the call failed or no answer came; problem says why.
        bool answered = false;
        // 0 success, 1 cancelled by the user, 2 other.
        uint code = 2;
        QVariantMap results;
        QString problem;
    };

    // Calls interface.method(arguments..., options) on the portal, options gaining a fresh
    // handle_token, and waits at most responseBudget for the answer.
    static QCoro::Task<Response> call(QDBusConnection bus, QString interface, QString method,
                                      QVariantList arguments, QVariantMap options,
                                      std::chrono::milliseconds responseBudget);

    // The portal's version of interface; 0 when the portal or the interface is missing.
    static QCoro::Task<uint> version(QDBusConnection bus, QString interface, QString* problem);

    // Asks the portal to close a session; does not wait for it.
    static void closeSession(QDBusConnection bus, const QString& sessionHandle);

    // A session handle from a result map (a string or an object path); empty when neither.
    static QString sessionHandleOf(const QVariantMap& results);

public slots:
    void handleResponse(uint code, const QVariantMap& results);

signals:
    void responded();

private:
    explicit PortalRequest(QDBusConnection bus) : m_bus(std::move(bus)) {}
    bool subscribe(const QString& requestPath);
    void unsubscribe();

    QDBusConnection m_bus;
    QString m_requestPath;
    bool m_responded = false;
    uint m_code = 2;
    QVariantMap m_results;
};

} // namespace velto
