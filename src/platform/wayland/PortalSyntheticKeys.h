#pragma once

#include "platform/SyntheticKeys.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velto {

class PreferenceStore;

// Synthetic keys through the XDG RemoteDesktop portal: a keyboard-only session whose keysyms the
// compositor delivers to the focused window. Desktops that ask the user before starting one
// hand back a restore token (persist until revoked), kept in the preferences so the user is
// asked once, not at every start. On Wayland the app cannot tell a terminal from other windows,
// so chords go as asked: no Ctrl+Shift+C/V.
class PortalSyntheticKeys : public QObject, public SyntheticKeys
{
    Q_OBJECT

public:
    enum class State
    {
        stopped,
        starting,
        started,
        missing,
        failed
    };
    static inline const QString restoreTokenKey = QStringLiteral("remoteDesktopRestoreToken");
    static inline const QString sessionToken = QStringLiteral("velto_keys");

    PortalSyntheticKeys(QDBusConnection bus, PreferenceStore& preferences);
    ~PortalSyntheticKeys() override;

    // Starts the session unless started or starting.
    void startSession();
    State state() const { return m_state; }
    QString problem() const { return m_problem; }

    bool isAvailable() override;
    bool canPost(QKeyCombination chord) override;
    void post(QKeyCombination chord, bool keyDown) override;
    // One key by its keysym, as is (post() builds its chords from these). Queued behind the
    // keys still on their way; the caller does not wait.
    void sendKeysym(std::uint32_t keysym, bool pressed);

signals:
    void stateChanged();

private slots:
    void handleSessionClosed(const QDBusMessage& message);

private:
    QCoro::Task<> runSession();
    void setState(State state, const QString& problem = {});
    std::optional<QString> storedRestoreToken() const;
    void sendNextKey();

    QDBusConnection m_bus;
    PreferenceStore& m_preferences;
    State m_state = State::stopped;
    QString m_problem;
    QString m_session;
    // The modifier keysyms pressed with the last key-down, released with its key-up.
    QList<std::uint32_t> m_pressedModifiers;
    // Keys not yet handed to the portal, in order; one call is on its way at a time.
    QList<std::pair<std::uint32_t, bool>> m_queuedKeys;
    bool m_keyInFlight = false;
};

} // namespace velto
