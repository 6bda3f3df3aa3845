#include "auth/AuthService.h"

#include "auth/AuthServiceError.h"
#include "auth/KeychainStore.h"
#include "auth/SecretServiceKeychainStore.h"
#include "auth/SupabaseTokenResponse.h"
#include "auth/WebLoginExchangeResponse.h"
#include "auth/WebLoginPollResponse.h"
#include "auth/WebLoginStartResponse.h"
#include "model/AppBuildConfig.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "net/DecodingError.h"
#include "net/JsonFields.h"
#include "platform/Clock.h"
#include "platform/SystemClock.h"

#include <QCoro/QCoroSignal>
#include <QPointer>
#include <QRandomGenerator>

#include <cerrno>
#include <sys/random.h>

namespace velto {

using namespace Qt::Literals::StringLiterals;

AuthService::AuthService(std::shared_ptr<KeychainStore> keychain, std::shared_ptr<HttpClient> http,
                         std::shared_ptr<Clock> clock, QString clientVersion, QObject* parent)
    : QObject(parent), m_keychain(std::move(keychain)), m_http(std::move(http)),
      m_clock(std::move(clock)), m_clientVersion(std::move(clientVersion))
{
    loadStoredSession();
}

AuthService::~AuthService() = default;

AuthService& AuthService::shared()
{
    // Never destroyed: its network manager must not outlive the application object, and
    // tasks still in flight at exit may resume into it.
    static AuthService* const instance =
        new AuthService(std::make_shared<SecretServiceKeychainStore>(),
                        std::make_shared<HttpClient>(), std::make_shared<SystemClock>());
    return *instance;
}

QString AuthService::bundleClientVersion()
{
    const QVariant version = AppBuildConfig::buildTimeTable().value(AppBuildConfig::versionKey);
    if (version.typeId() != QMetaType::QString)
        return QStringLiteral("unknown");
    return version.toString();
}

QUrl AuthService::endpointURL(const QUrl& base, QString path)
{
    while (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    QUrl url = base;
    QString basePath = url.path(QUrl::FullyEncoded);
    if (!basePath.endsWith(QLatin1Char('/')))
        basePath += QLatin1Char('/');
    url.setPath(basePath + path, QUrl::TolerantMode);
    url.setFragment(QString());
    return url;
}

QString AuthService::randomDeviceNonce()
{
    QByteArray bytes(32, '\0');
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = getrandom(bytes.data() + filled, size_t(bytes.size() - filled), 0);
        if (got > 0) {
            filled += got;
        } else if (got < 0 && errno != EINTR) {
            // A nonce of zeros would be guessable; take the system generator's other source.
            QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()),
                                                  bytes.size() / qsizetype(sizeof(quint32)));
            break;
        }
    }
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

HttpClient::Options AuthService::requestOptions()
{
    HttpClient::Options options;
    options.timeout = requestTimeout;
    options.maxBodyBytes = maxAnswerBytes;
    return options;
}

void AuthService::setSession(std::optional<StoredAuthSession> session)
{
    m_currentSession = std::move(session);
    ++m_generation;
}

QCoro::Task<void> AuthService::loadStoredSession()
{
    QPointer<AuthService> self(this);
    std::shared_ptr<KeychainStore> keychain = m_keychain;
    auto guard = co_await m_keychainLock.lock();
    std::optional<QByteArray> data;
    try {
        data = co_await keychain->read(keychainService, keychainAccount);
    } catch (const AppError& error) {
        ClientLogger::warning(u"auth session read failed: ", error.description());
        if (self)
            m_keyringFailure = error;
    }
    if (!self)
        co_return;
    bool unreadable = false;
    if (data) {
        try {
            setSession(StoredAuthSession::decode(*data));
            ClientLogger::info(u"auth session loaded");
        } catch (const AppError& error) {
            ClientLogger::warning(u"auth session unreadable, removed: ", error.description());
            unreadable = true;
        }
    }
    if (unreadable) {
        try {
            co_await keychain->remove(keychainService, keychainAccount);
        } catch (const AppError&) {
            // Logged by the store; the unreadable item is ignored either way.
        }
        if (!self)
            co_return;
    }
    m_loaded = true;
    emit loaded();
}

QCoro::Task<void> AuthService::waitUntilLoaded()
{
    while (!m_loaded)
        co_await qCoro(this, &AuthService::loaded);
}

QCoro::Task<AuthState> AuthService::syncAuthState(AppModel&)
{
    co_await waitUntilLoaded();
    if (m_currentSession)
        co_return AuthState::signedIn(m_currentSession->email);
    co_return AuthState::signedOut();
}

QCoro::Task<void> AuthService::signOut(AppModel& model)
{
    co_await waitUntilLoaded();
    const std::optional<StoredAuthSession> ended = m_currentSession;
    const QString supabaseURL = model.effectiveSupabaseURL();
    const QString anonKey = model.effectiveSupabaseAnonKey();
    setSession(std::nullopt);
    ClientLogger::info(u"signed out");
    std::optional<AppError> kept;
    {
        auto guard = co_await m_keychainLock.lock();
        try {
            co_await m_keychain->remove(keychainService, keychainAccount);
        } catch (const AppError& error) {
            kept = error;
        }
    }
    // Ended on the server even when the keyring kept it: the copy left there is then useless.
    if (ended && !supabaseURL.isEmpty() && !anonKey.isEmpty())
        co_await endOnServer(*ended, supabaseURL, anonKey);
    if (kept)
        throw *kept;
}

QCoro::Task<void> AuthService::endOnServer(StoredAuthSession session, QString supabaseURL,
                                           QString anonKey)
{
    const QUrl url(supabaseURL + u"/auth/v1/logout"_s, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        co_return;
    QNetworkRequest request(url);
    request.setRawHeader("apikey", anonKey.toUtf8());
    request.setRawHeader("Authorization", "Bearer " + session.accessToken.toUtf8());
    HttpClient::Options options = requestOptions();
    options.timeout = logoutTimeout;
    std::shared_ptr<HttpClient> http = m_http;
    try {
        const HttpResponse response = co_await http->send(request, "POST", {}, options);
        if (!response.isHTTP() || !response.isSuccess())
            ClientLogger::info(u"session not ended on the server: it ends when it expires");
    } catch (const AppError& error) {
        ClientLogger::info(u"session not ended on the server: ", error.description());
    }
}

QCoro::Task<bool> AuthService::canAuthorize(AppModel& model)
{
    try {
        co_await validAccessToken(model);
        co_return true;
    } catch (...) {
        co_return false;
    }
}

QCoro::Task<QString> AuthService::authorizationHeader(AppModel& model)
{
    const QString token = co_await validAccessToken(model);
    co_return u"Bearer "_s + token;
}

QCoro::Task<QString> AuthService::validAccessToken(AppModel& model)
{
    co_await waitUntilLoaded();
    for (;;) {
        if (!m_currentSession)
            throw AuthServiceError::notSignedIn();
        if (m_currentSession->expiresAt - refreshMargin > m_clock->now()) {
            // A copy first: g++ 12 moves from a member named in co_return, which would empty
            // the stored token after its first use.
            const QString token = m_currentSession->accessToken;
            co_return token;
        }

        const QString supabaseURL = model.effectiveSupabaseURL();
        const QString anonKey = model.effectiveSupabaseAnonKey();
        if (supabaseURL.isEmpty() || anonKey.isEmpty())
            throw AuthServiceError::missingSupabaseConfig();

        auto guard = co_await m_refreshLock.lock();
        // Another caller may have refreshed (or signed out) while this one waited: look again.
        if (!m_currentSession || m_currentSession->expiresAt - refreshMargin > m_clock->now())
            continue;
        const quint64 generation = m_generation;
        StoredAuthSession refreshed;
        try {
            refreshed = co_await refreshToken(m_currentSession->refreshToken, supabaseURL, anonKey);
        } catch (const AppError& error) {
            ClientLogger::warning(u"auth token refresh failed: ", error.description());
            throw;
        }
        if (generation != m_generation) {
            // Signed out or signed in anew while the refresh was out: its answer belongs to a
            // session that is gone and must not bring it back. Answer for the current one.
            ClientLogger::info(u"auth token refresh dropped: session changed");
            continue;
        }
        setSession(refreshed);
        ClientLogger::info(u"auth token refreshed");
        co_await persist();
        co_return refreshed.accessToken;
    }
}

QCoro::Task<StoredAuthSession> AuthService::refreshToken(QString refreshToken, QString supabaseURL,
                                                         QString anonKey)
{
    // Plain concatenation: the configured URL is used exactly as given.
    const QUrl url(supabaseURL + u"/auth/v1/token?grant_type=refresh_token"_s, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        throw AuthServiceError::tokenExchangeFailed();

    QNetworkRequest request(url);
    request.setRawHeader("apikey", anonKey.toUtf8());
    // Built before the await: g++ 12 cannot keep a braced list alive across one.
    const QList<QPair<QString, QString>> members{{u"refresh_token"_s, refreshToken}};
    const HttpResponse response = co_await postJSON(request, members);
    if (!response.isHTTP() || !response.isSuccess())
        throw AuthServiceError::tokenExchangeFailed();
    if (response.bodyTruncated())
        throw DecodingError::notJSON();
    const SupabaseTokenResponse decoded = SupabaseTokenResponse::decode(response.body());
    co_return StoredAuthSession{decoded.accessToken, decoded.refreshToken,
                                m_clock->now() + double(decoded.expiresIn), decoded.userID,
                                decoded.email};
}

QCoro::Task<void> AuthService::persist()
{
    if (!m_currentSession)
        co_return;
    const QByteArray data = m_currentSession->encoded();
    std::shared_ptr<KeychainStore> keychain = m_keychain;
    auto guard = co_await m_keychainLock.lock();
    co_await keychain->save(keychainService, keychainAccount, data);
}

QCoro::Task<HttpResponse> AuthService::postJSON(QNetworkRequest request,
                                                QList<QPair<QString, QString>> members)
{
    nlohmann::json object = nlohmann::json::object();
    for (const auto& [key, value] : members)
        object[JsonFields::toStdString(key)] = JsonFields::toStdString(value);
    const std::string text = object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    request.setRawHeader("Content-Type", "application/json");
    std::shared_ptr<HttpClient> http = m_http;
    const QByteArray body(text.data(), qsizetype(text.size()));
    // The awaited value is bound to a local: g++ 12 mishandles temporaries around a co_await.
    const HttpResponse response = co_await http->send(request, "POST", body, requestOptions());
    co_return response;
}

QCoro::Task<WebLoginStart> AuthService::startWebLogin(AppModel& model, QString deviceNonce)
{
    const QUrl url = endpointURL(model.resolveRuntimeServer().baseURL, u"auth/handoff/start"_s);
    const QString provider = model.effectiveProvider();
    const QList<QPair<QString, QString>> members{{u"client"_s, clientWord},
                                                 {u"client_version"_s, m_clientVersion},
                                                 {u"device_nonce"_s, deviceNonce},
                                                 {u"provider"_s, provider}};
    const HttpResponse response = co_await postJSON(QNetworkRequest(url), members);
    if (!response.isHTTP())
        throw AuthServiceError::webLoginInvalidResponse();
    if (!response.isSuccess())
        throw ServerErrorInterpreter::authError(response.body(), response,
                                                AuthServiceError::webLoginStartFailed());
    WebLoginStartResponse decoded;
    try {
        if (response.bodyTruncated())
            throw DecodingError::notJSON();
        decoded = WebLoginStartResponse::decode(response.body());
    } catch (const AppError&) {
        throw ServerErrorInterpreter::authError(response.body(), response,
                                                AuthServiceError::webLoginInvalidResponse());
    }
    // The page is handed to the desktop's URL opener: only a web page may go there, never a
    // local file or a script URL.
    const QUrl loginURL(decoded.loginURL, QUrl::StrictMode);
    const QString scheme = loginURL.scheme().toLower();
    if (decoded.loginURL.isEmpty() || !loginURL.isValid() || loginURL.host().isEmpty() ||
        (scheme != u"https" && scheme != u"http"))
        throw AuthServiceError::webLoginInvalidResponse();

    co_return WebLoginStart{decoded.handoffID,
                            deviceNonce,
                            loginURL,
                            std::max<qint64>(decoded.pollIntervalMs, 500),
                            m_clock->now() + double(std::max<qint64>(decoded.expiresInSeconds, 60)),
                            decoded.userCode};
}

QCoro::Task<WebLoginPollState> AuthService::pollWebLogin(AppModel& model, QString handoffID,
                                                         QString deviceNonce)
{
    QUrl url = endpointURL(model.resolveRuntimeServer().baseURL, u"auth/handoff/poll"_s);
    // Every reserved character is escaped, "+" included, so the values arrive exactly.
    const QByteArray query = "handoff_id=" + QUrl::toPercentEncoding(handoffID) +
                             "&device_nonce=" + QUrl::toPercentEncoding(deviceNonce);
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    if (!url.isValid())
        throw AuthServiceError::webLoginInvalidResponse();

    std::shared_ptr<HttpClient> http = m_http;
    const HttpResponse response =
        co_await http->send(QNetworkRequest(url), "GET", {}, requestOptions());
    if (!response.isHTTP())
        throw AuthServiceError::webLoginInvalidResponse();
    if (!response.isSuccess())
        throw ServerErrorInterpreter::authError(response.body(), response,
                                                AuthServiceError::webLoginInvalidResponse());
    WebLoginPollResponse decoded;
    try {
        if (response.bodyTruncated())
            throw DecodingError::notJSON();
        decoded = WebLoginPollResponse::decode(response.body());
    } catch (const AppError&) {
        throw ServerErrorInterpreter::authError(response.body(), response,
                                                AuthServiceError::webLoginInvalidResponse());
    }
    if (decoded.status == u"pending")
        co_return WebLoginPollState::pending();
    if (decoded.status == u"ready") {
        if (!decoded.exchangeCode || decoded.exchangeCode->isEmpty())
            throw AuthServiceError::webLoginInvalidResponse();
        co_return WebLoginPollState::ready(*decoded.exchangeCode);
    }
    if (decoded.status == u"failed")
        co_return WebLoginPollState::failed(decoded.reason.value_or(u"auth_failed"_s));
    throw AuthServiceError::webLoginInvalidResponse();
}

QCoro::Task<void> AuthService::exchangeWebLogin(AppModel& model, QString handoffID,
                                                QString deviceNonce, QString exchangeCode)
{
    const QUrl url = endpointURL(model.resolveRuntimeServer().baseURL, u"auth/handoff/exchange"_s);
    const QList<QPair<QString, QString>> members{{u"handoff_id"_s, handoffID},
                                                 {u"device_nonce"_s, deviceNonce},
                                                 {u"exchange_code"_s, exchangeCode}};
    const HttpResponse response = co_await postJSON(QNetworkRequest(url), members);
    if (!response.isHTTP())
        throw AuthServiceError::webLoginInvalidResponse();
    if (!response.isSuccess())
        throw ServerErrorInterpreter::authError(response.body(), response,
                                                AuthServiceError::tokenExchangeFailed());
    WebLoginExchangeResponse decoded;
    try {
        if (response.bodyTruncated())
            throw DecodingError::notJSON();
        decoded = WebLoginExchangeResponse::decode(response.body());
    } catch (const AppError&) {
        throw ServerErrorInterpreter::authError(response.body(), response,
                                                AuthServiceError::webLoginInvalidResponse());
    }
    // The stored session may still be loading; it must not land on top of this one.
    co_await waitUntilLoaded();
    setSession(StoredAuthSession{decoded.accessToken, decoded.refreshToken,
                                 m_clock->now() + double(decoded.expiresIn), decoded.userID,
                                 decoded.email});
    ClientLogger::info(u"signed in");
    co_await persist();
}

QCoro::Task<void> AuthService::cancelWebLogin(AppModel& model, QString handoffID,
                                              QString deviceNonce)
{
    const QUrl url = endpointURL(model.resolveRuntimeServer().baseURL, u"auth/handoff/cancel"_s);
    const QList<QPair<QString, QString>> members{{u"handoff_id"_s, handoffID},
                                                 {u"device_nonce"_s, deviceNonce}};
    try {
        co_await postJSON(QNetworkRequest(url), members);
    } catch (...) {
        // The backend lets an abandoned handoff expire on its own.
    }
}

} // namespace velto
