#pragma once

#include "auth/AuthService.h"
#include "fakes/auth/FakeClock.h"
#include "fakes/auth/MemoryKeychainStore.h"
#include "fakes/auth/RunTask.h"
#include "fakes/http/FakeBackend.h"
#include "fakes/model/MemoryPreferences.h"
#include "model/AppModel.h"
#include "model/UserPreferencesStore.h"
#include "net/HttpClient.h"

#include <memory>
#include <nlohmann/json.hpp>

namespace velto {

// An AuthService against the fake backend, an in-memory keychain and a fake clock.
struct AuthFixture
{
    static inline const QString version = QStringLiteral("9.8.7");
    static inline const MemoryKeychainStore::Key itemKey{AuthService::keychainService,
                                                         AuthService::keychainAccount};

    explicit AuthFixture(QString apiPath = QStringLiteral("/"),
                         QString anonKey = QStringLiteral("anon-key"))
        : store(std::make_shared<MemoryPreferences>()),
          model(store, AppBuildConfig{AppRuntimeMode::release, backend.url(apiPath),
                                      backend.url(QString()).toString(), anonKey, "email"}),
          keychain(std::make_shared<MemoryKeychainStore>()), clock(std::make_shared<FakeClock>()),
          http(std::make_shared<HttpClient>())
    {
    }

    // Creates the service (which loads the keychain item) and waits for the load.
    AuthService& start()
    {
        service = std::make_unique<AuthService>(keychain, http, clock, version);
        runTask(service->waitUntilLoaded());
        return *service;
    }

    // A stored session of "old@example.test" whose token expires in `seconds`.
    StoredAuthSession storeSessionExpiringIn(double seconds)
    {
        const StoredAuthSession session{"old-access", "old-refresh", clock->now() + seconds, "u-1",
                                        "old@example.test"};
        keychain->items.insert(itemKey, session.encoded());
        return session;
    }
    std::optional<QByteArray> storedItem() const
    {
        if (!keychain->items.contains(itemKey))
            return std::nullopt;
        return keychain->items.value(itemKey);
    }

    QString header() { return runTask(service->authorizationHeader(model)); }
    AuthState state() { return runTask(service->syncAuthState(model)); }
    bool canAuthorize() { return runTask(service->canAuthorize(model)); }
    RecordedRequest request(int index = 0) const { return backend.requests().value(index); }

    FakeBackend backend;
    UserPreferencesStore store;
    AppModel model;
    std::shared_ptr<MemoryKeychainStore> keychain;
    std::shared_ptr<FakeClock> clock;
    std::shared_ptr<HttpClient> http;
    std::unique_ptr<AuthService> service;
};

// The error a call threw, or a marker when it did not throw.
template <typename T> AppError thrownBy(QCoro::Task<T> task)
{
    try {
        runTask(std::move(task));
    } catch (const AppError& error) {
        return error;
    }
    return AppError(QStringLiteral("<none>"), 0, QStringLiteral("<did not throw>"));
}

// JSON as compact text with sorted keys: a request's body, to compare with an expected value.
inline QString jsonText(const nlohmann::json& value)
{
    return QString::fromStdString(value.dump());
}
// A request on one line: method, path, [query items], the headers it carries beyond those the
// network stack adds (content-type and apikey with their values), and its body as JSON text.
inline QString described(const RecordedRequest& request)
{
    static const QList<QByteArray> transport{"host", "connection", "accept-encoding",
                                             "accept-language", "user-agent"};
    QStringList parts{QString::fromLatin1(request.method), request.path};
    for (const auto& [name, value] : request.query)
        parts << "[" + name + "=" + value + "]";
    QList<QByteArray> own;
    for (const QByteArray& name : request.headerNames()) {
        if (!transport.contains(name))
            own.append(name == "content-type" || name == "apikey"
                           ? name + "=" + request.header(name).value()
                           : name);
    }
    std::sort(own.begin(), own.end());
    for (const QByteArray& header : own)
        parts << QString::fromLatin1(header);
    if (!request.body.isEmpty())
        parts << jsonText(nlohmann::json::parse(request.body.toStdString(), nullptr, false));
    return parts.join(' ');
}

} // namespace velto
