#pragma once

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <chrono>
#include <optional>
#include <qcoro/qcorotask.h>
#include <utility>

namespace velto {

class AtspiBus;

// Where each application on the accessibility bus last put its keyboard focus, as told by the
// focus events the applications send. The shortcut's key grab takes the focus from the window for
// a moment, and a busy application may not have said it is back when the selection is read; the
// object that last gained the focus is still the one the user selected in. Applications focused
// before it listened are asked where their focus is, and a bus that went away is listened to
// again once it is back.
class AtspiFocusTracker : public QObject
{
    Q_OBJECT

public:
    // Asking every application where its focus is, in the background: a hung one costs its own
    // share, the whole search no more than the total.
    static constexpr std::chrono::milliseconds searchBudget{2000};
    static constexpr std::chrono::milliseconds searchBudgetPerApplication{300};

    explicit AtspiFocusTracker(AtspiBus& bus);

    // Listens once the bus is connected (again, on a new connection), asks the applications to
    // send their focus events (they send none while nobody has asked), then asks each where its
    // focus is now. Repeated calls cost nothing while it listens.
    QCoro::Task<> start();

    // The object of that application that last gained the focus, held or not since.
    std::optional<QString> lastFocusedIn(const QString& application) const;
    // The application and object that gained the focus last of all, while they hold it.
    std::optional<std::pair<QString, QString>> focusedNow() const;
    // Forgets the applications that left the bus, so the table does not grow for ever.
    void retainOnly(const QSet<QString>& applications);

private slots:
    void onStateChanged(const QDBusMessage& message);
    void onDisconnected(const QDBusMessage& message);

private:
    struct Focus
    {
        QString object;
        bool held = false;
        // When it gained the focus, and when it last said anything of its focus.
        quint64 order = 0;
        quint64 heard = 0;
    };
    struct Accessible
    {
        QString busName;
        QDBusObjectPath path;
    };

    // On the bus's current connection, not an earlier one.
    bool isListening() const;
    bool listen();
    QCoro::Task<> registerForFocusEvents();
    QCoro::Task<> findFocusOfEveryApplication();
    QCoro::Task<std::optional<QString>> focusedObjectOf(Accessible application,
                                                        QDeadlineTimer deadline);
    // For toolkits without the Collection interface (Qt): the active window's showing objects,
    // shallowest first.
    QCoro::Task<std::optional<QString>> searchActiveWindowOf(Accessible application,
                                                             QDeadlineTimer deadline);
    QCoro::Task<> listenAgain();

    AtspiBus& m_bus;
    quint64 m_listeningOn = 0;
    bool m_starting = false;
    // The connection whose applications are being asked where their focus is; 0 when none.
    quint64 m_searchingOn = 0;
    bool m_listeningAgain = false;
    quint64 m_events = 0;
    QHash<QString, Focus> m_focusOf;
};

} // namespace velto
