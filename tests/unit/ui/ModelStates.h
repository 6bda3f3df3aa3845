#pragma once

#include "fakes/model/MemoryPreferences.h"
#include "model/AppModel.h"
#include "model/UserPreferencesStore.h"

#include <QMetaType>
#include <QString>
#include <QTest>
#include <initializer_list>
#include <memory>

namespace velto::test {

enum class Auth
{
    signedOut,
    signingIn,
    signedIn, // as ada@example.test
    signedInWithoutEmail
};

// What the capability check found; unchecked leaves the model as it starts.
enum class Capabilities
{
    unchecked,
    both,
    none,
    shortcutOnly
};

enum class Rewrite
{
    idle,
    running,
    succeeded,
    failed
};

// A state of the model: {Auth::signedIn, Capabilities::both}, the rest as a fresh model has it.
struct ModelState
{
    ModelState(Auth auth = Auth::signedOut, Capabilities capabilities = Capabilities::unchecked,
               Rewrite rewrite = Rewrite::idle, QString error = {})
        : auth(auth), capabilities(capabilities), rewrite(rewrite), error(std::move(error))
    {
    }

    Auth auth;
    Capabilities capabilities;
    Rewrite rewrite;
    // When set, the status error and the failed rewrite's message.
    QString error;
};

// A session whose shortcut takes `route` and where each of `flags` holds:
// sessionWith(GlobalShortcutRoute::keyGrab, {&SessionCapabilities::pasteReplacement}).
inline SessionCapabilities sessionWith(GlobalShortcutRoute route,
                                       std::initializer_list<bool SessionCapabilities::*> flags)
{
    SessionCapabilities session;
    session.shortcutRoute = route;
    for (bool SessionCapabilities::*flag : flags)
        session.*flag = true;
    return session;
}

// A model over in-memory preferences, put into the state a test names.
struct ModelStates
{
    ModelStates()
        : defaults(std::make_shared<MemoryPreferences>()), store(defaults),
          model(store, AppBuildConfig{AppRuntimeMode::release, QUrl("https://api.example.test/"),
                                      "https://auth.example.test", "anon", "email"})
    {
    }

    explicit ModelStates(const ModelState& state) : ModelStates()
    {
        if (state.capabilities != Capabilities::unchecked)
            model.setPermissionState(state.capabilities != Capabilities::none,
                                     state.capabilities == Capabilities::both);
        if (state.auth != Auth::signedOut)
            model.setAuthState(state.auth == Auth::signingIn ? AuthState::signingIn()
                               : state.auth == Auth::signedIn
                                   ? AuthState::signedIn("ada@example.test")
                                   : AuthState::signedIn(std::nullopt));
        if (state.rewrite != Rewrite::idle)
            model.setRewriteState(state.rewrite == Rewrite::running ? RewriteState::running()
                                  : state.rewrite == Rewrite::succeeded
                                      ? RewriteState::succeeded()
                                      : RewriteState::failed(state.error));
        if (!state.error.isEmpty())
            model.setStatusError(state.error);
    }

    std::shared_ptr<MemoryPreferences> defaults;
    UserPreferencesStore store;
    AppModel model;
};

// A table row: its name, then one value per column (a string literal fills a QString column).
template <typename... T> void row(const char* name, const T&... values)
{
    (QTest::newRow(name) << ... << values);
}

} // namespace velto::test

Q_DECLARE_METATYPE(velto::test::ModelState)
