#pragma once

#include <QDBusMessage>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>
#include <utility>

namespace velto {

class AtspiBus;

// Where each application on the accessibility bus last put its keyboard focus, as told by the
// focus events the applications send. The shortcut's key grab takes the focus from the window for
// a moment, and a busy application may not have said it is back when the selection is read; the
// object that last gained the focus is still the one the user selected in.
class AtspiFocusTracker : public QObject
{
    Q_OBJECT

public:
    explicit AtspiFocusTracker(AtspiBus& bus);

    // Listens once the bus is connected, and asks the applications to send their focus events
    // (they send none while nobody has asked). Repeated calls cost nothing.
    QCoro::Task<> start();

    // The object of that application that last gained the focus, held or not since.
    std::optional<QString> lastFocusedIn(const QString& application) const;
    // The application and object that gained the focus last of all, while they hold it.
    std::optional<std::pair<QString, QString>> focusedNow() const;
    // Forgets the applications that left the bus, so the table does not grow for ever.
    void retainOnly(const QSet<QString>& applications);

private slots:
    void onStateChanged(const QDBusMessage& message);

private:
    struct Focus
    {
        QString object;
        bool held = false;
        quint64 order = 0;
    };

    AtspiBus& m_bus;
    bool m_listening = false;
    bool m_registering = false;
    quint64 m_events = 0;
    QHash<QString, Focus> m_focusOf;
};

} // namespace velto
