#pragma once

#include "auth/AsyncLock.h"
#include "auth/ServerErrorInterpreter.h"
#include "auth/StoredAuthSession.h"
#include "auth/WebLoginPollState.h"
#include "auth/WebLoginStart.h"
#include "model/AuthState.h"
#include "net/HttpClient.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <memory>
#include <optional>

namespace velto {

class AppModel;
class Clock;
class KeychainStore;

// The single owner of the signed-in session, on the main thread. Loads the session from the
// keyring when created, hands out access tokens (refreshing them shortly before they expire),
// runs the browser handoff that creates a session, and forgets it on sign-out. Every operation
// first waits until the stored session has been loaded.
class AuthService : public QObject
{
    Q_OBJECT

public:
    static inline const QString keychainService = QStringLiteral("app.velto.Velto");
    static inline const QString keychainAccount = QStringLiteral("supabase.auth.session");
    // A token is refreshed when it expires within this many seconds.
    static constexpr double refreshMargin = 60;
    static constexpr std::chrono::seconds requestTimeout{60};
    static constexpr std::chrono::seconds logoutTimeout{5};
    // Auth answers are a few hundred bytes; anything longer is only read as far as an error
    // message needs.
    static constexpr qint64 maxAnswerBytes = 1024 * 1024;
    static inline const QString clientWord = QStringLiteral("macos-velto");

    AuthService(std::shared_ptr<KeychainStore> keychain, std::shared_ptr<HttpClient> http,
                std::shared_ptr<Clock> clock, QString clientVersion = bundleClientVersion(),
                QObject* parent = nullptr);
    ~AuthService() override;

    // The process's service over the desktop's Secret Service; created on first use, on the
    // main thread, and kept until exit.
    static AuthService& shared();

    virtual QCoro::Task<AuthState> syncAuthState(AppModel& model);
    // Forgets the session here, removes it from the keyring, then asks the backend to end it
    // (best effort, within logoutTimeout: offline, the session is forgotten all the same).
    // Throws KeychainError when the keyring keeps the session.
    virtual QCoro::Task<void> signOut(AppModel& model);
    virtual QCoro::Task<bool> canAuthorize(AppModel& model);
    // "Bearer " and a valid access token. Throws what validAccessToken throws.
    virtual QCoro::Task<QString> authorizationHeader(AppModel& model);
    // The access token, refreshed first when it expires within refreshMargin seconds. Throws
    // AuthServiceError::notSignedIn, ::missingSupabaseConfig, or the refresh's or keyring's error.
    virtual QCoro::Task<QString> validAccessToken(AppModel& model);

    virtual QCoro::Task<WebLoginStart> startWebLogin(AppModel& model, QString deviceNonce);
    virtual QCoro::Task<WebLoginPollState> pollWebLogin(AppModel& model, QString handoffID,
                                                        QString deviceNonce);
    // Holds the new session, then saves it; a keyring error is thrown after it is held.
    virtual QCoro::Task<void> exchangeWebLogin(AppModel& model, QString handoffID,
                                               QString deviceNonce, QString exchangeCode);
    // Tells the backend; never fails and never touches the session.
    virtual QCoro::Task<void> cancelWebLogin(AppModel& model, QString handoffID,
                                             QString deviceNonce);

    // 43 characters of unpadded base64url over 32 random bytes.
    static QString randomDeviceNonce();
    static QString humanReadableHandoffFailure(const QString& reason)
    {
        return ServerErrorInterpreter::humanReadableHandoffFailure(reason);
    }
    // base with path appended as path components (slashes around path dropped).
    static QUrl endpointURL(const QUrl& base, QString path);
    // The app version compiled in, or "unknown".
    static QString bundleClientVersion();

    // Resolves once the stored session has been read (at once when it already has).
    QCoro::Task<void> waitUntilLoaded();
    bool isLoaded() const { return m_loaded; }
    // Why the stored session could not be read at start (no Secret Service, say); nothing when
    // the keyring answered, whether or not it held a session.
    const std::optional<AppError>& keyringFailure() const { return m_keyringFailure; }
    const std::optional<StoredAuthSession>& currentSession() const { return m_currentSession; }

signals:
    void loaded();

private:
    QCoro::Task<void> loadStoredSession();
    QCoro::Task<StoredAuthSession> refreshToken(QString refreshToken, QString supabaseURL,
                                                QString anonKey);
    QCoro::Task<void> persist();
    // POST /auth/v1/logout with the session's access token; never throws.
    QCoro::Task<void> endOnServer(StoredAuthSession session, QString supabaseURL, QString anonKey);
    // POSTs a flat JSON object of strings with "Content-Type" "application/json".
    QCoro::Task<HttpResponse> postJSON(QNetworkRequest request,
                                       QList<QPair<QString, QString>> members);
    void setSession(std::optional<StoredAuthSession> session);
    static HttpClient::Options requestOptions();

    std::shared_ptr<KeychainStore> m_keychain;
    std::shared_ptr<HttpClient> m_http;
    std::shared_ptr<Clock> m_clock;
    QString m_clientVersion;
    std::optional<StoredAuthSession> m_currentSession;
    // Bumped on every change of the session, so a refresh that was out while the session
    // changed (sign-out, a new sign-in) can tell that its answer is stale.
    quint64 m_generation = 0;
    bool m_loaded = false;
    std::optional<AppError> m_keyringFailure;
    // Keyring writes and deletes go out one at a time, in the order they were asked for.
    AsyncLock m_keychainLock;
    // Refreshes go out one at a time: two at once would present one refresh token twice, which
    // the backend takes for a stolen token and ends the session.
    AsyncLock m_refreshLock;
};

} // namespace velto
