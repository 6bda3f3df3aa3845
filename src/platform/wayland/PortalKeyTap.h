#pragma once

#include "platform/GlobalKeyTap.h"

#include "model/ShortcutKeys.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <qcoro/qcorotask.h>

namespace velto {

// The global shortcut through the XDG GlobalShortcuts portal: the desktop owns the keys and
// tells us when they are pressed and released, and the press never reaches the application.
// The shortcut is handed in CreateSession's options (Plasma 5.27 registers nothing through
// BindShortcuts) under one fixed session token, because the desktop keeps the binding per app
// and token: a new token at every start would leave stale bindings behind. A changed shortcut
// closes the session and binds again, under the id of the new combination.
class PortalKeyTap : public QObject, public GlobalKeyTap
{
    Q_OBJECT

public:
    enum class State
    {
        unbound,
        binding,
        bound,
        // The portal or its GlobalShortcuts interface is not there.
        missing,
        failed
    };
    static inline const QString sessionToken = QStringLiteral("velto_shortcut");
    // Some desktops never report the release; the press is then handed on after this long.
    static constexpr int releaseWaitMs = 1000;
    // The desktop reports the release when the letter goes up; Super usually follows a moment
    // later, and keys posted while it is down reach the application as Super+Ctrl+C.
    static constexpr int modifierReleaseGraceMs = 150;

    explicit PortalKeyTap(QDBusConnection bus);
    ~PortalKeyTap() override;

    // Binds the shortcut (Super with a letter, Shift or not) unless bound or binding.
    void bind(QKeyCombination shortcut);
    State state() const { return m_state; }
    // The shortcut last asked for (the default until a listener says otherwise).
    QKeyCombination requestedShortcut() const { return m_shortcut; }
    // Why the shortcut is not bound, for the log and the setup card; empty when bound.
    QString problem() const { return m_problem; }
    // The keys the desktop assigned, as it describes them ("Meta+L"); empty when unknown.
    QString trigger() const { return m_trigger; }
    // "LOGO+L", "LOGO+SHIFT+L": the portal's spelling of a shortcut.
    static QString preferredTrigger(QKeyCombination shortcut);
    // The id we register a shortcut under: one per combination ("rewrite-logo-shift-l"), since
    // the desktop keeps the keys it first gave an id and treats a new preferred trigger for it
    // as a mere suggestion.
    static QString shortcutID(QKeyCombination shortcut);

    StartResult start(QKeyCombination shortcut, Handler handler) override;
    bool retarget(QKeyCombination shortcut) override;
    void stop() override;

signals:
    void stateChanged();
    // The desktop's trigger for the shortcut changed (bound, or changed in its settings).
    void triggerChanged(const QString& trigger);

private slots:
    // Signals arrive as whole messages: their arguments are checked here, not trusted.
    void handleActivated(const QDBusMessage& message);
    void handleDeactivated(const QDBusMessage& message);
    void handleShortcutsChanged(const QDBusMessage& message);
    void handleSessionClosed(const QDBusMessage& message);

private:
    QCoro::Task<> bindSession();
    QCoro::Task<> readTrigger();
    void setState(State state, const QString& problem = {});
    void noteTrigger(const QString& trigger);
    void deliverPress();
    void closeSession();
    // The trigger_description of our shortcut in a(sa{sv}); none for anything else.
    static std::optional<QString> triggerIn(const QVariant& shortcuts, const QString& id);
    bool isOurShortcut(const QDBusMessage& message) const;

    QDBusConnection m_bus;
    State m_state = State::unbound;
    QString m_problem;
    QString m_session;
    QString m_trigger;
    QKeyCombination m_shortcut = ShortcutKeys::combination(ShortcutKeys::defaultKeyID, false);
    // What the current session was made for; a different target needs a new one.
    std::optional<QKeyCombination> m_bound;
    bool m_rebindWanted = false;
    // Sessions the desktop closed in a row; bound again a few times, then left alone.
    int m_closedInARow = 0;
    Handler m_handler;
    bool m_pressed = false;
    QTimer m_releaseWait;
};

} // namespace velto
