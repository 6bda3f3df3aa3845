#pragma once

#include "auth/AuthService.h"
#include "auth/HttpClient.h"
#include "fakes/auth/FakeClock.h"
#include "fakes/auth/MemoryKeychainStore.h"
#include "fakes/auth/RunTask.h"
#include "fakes/http/FakeBackend.h"
#include "fakes/model/MemoryDefaults.h"
#include "model/AppModel.h"
#include "model/UserPreferencesStore.h"

#include <memory>

namespace velto {

// An AuthService against the fake backend, an in-memory keychain and a fake clock.
struct AuthFixture
{
    static inline const QString version = QStringLiteral("9.8.7");

    explicit AuthFixture(QString apiPath = QStringLiteral("/"),
                         QString anonKey = QStringLiteral("anon-key"))
        : store(std::make_shared<MemoryDefaults>()),
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

    void storeSession(const StoredAuthSession& session)
    {
        keychain->items.insert({AuthService::keychainService, AuthService::keychainAccount},
                               session.encoded());
    }
    std::optional<QByteArray> storedItem() const
    {
        const auto key =
            MemoryKeychainStore::Key{AuthService::keychainService, AuthService::keychainAccount};
        if (!keychain->items.contains(key))
            return std::nullopt;
        return keychain->items.value(key);
    }

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

} // namespace velto
