#pragma once

#include "fakes/model/MemoryDefaults.h"
#include "model/AppModel.h"
#include "model/UserPreferencesStore.h"

#include <QStringList>
#include <memory>

namespace velto::test {

// A model over in-memory preferences, put into one of the states the views are checked in.
struct ModelStates
{
    ModelStates()
        : defaults(std::make_shared<MemoryDefaults>()), store(defaults),
          model(store, AppBuildConfig{AppRuntimeMode::release, QUrl("https://api.example.test/"),
                                      "https://auth.example.test", "anon", "email"})
    {
    }

    static QStringList panelStates()
    {
        return {"ready", "sign-in-required", "signing-in",    "permission-required", "rewriting",
                "error", "notice",           "setup-complete"};
    }

    void enter(const QString& state)
    {
        model.setPermissionState(true, true);
        model.setAuthState(AuthState::signedIn(QStringLiteral("ada@example.test")));
        if (state == "ready") {
        } else if (state == "sign-in-required") {
            model.setAuthState(AuthState::signedOut());
        } else if (state == "signing-in") {
            model.setAuthState(AuthState::signingIn());
        } else if (state == "permission-required") {
            model.setPermissionState(true, false);
            model.setAuthState(AuthState::signedOut());
        } else if (state == "rewriting") {
            model.setRewriteState(RewriteState::running());
        } else if (state == "error") {
            const QString message = QStringLiteral("The rewrite service is not reachable.");
            model.setStatusError(message);
            model.setRewriteState(RewriteState::failed(message));
        } else if (state == "notice") {
            model.setRewriteState(RewriteState::succeeded());
            model.setNotice(UserNoticeStyle::success, QStringLiteral("Rewrite complete"),
                            QStringLiteral("Your selected text was replaced using Default."));
        } else if (state == "setup-complete") {
            model.setRewriteState(RewriteState::succeeded());
        }
    }

    std::shared_ptr<MemoryDefaults> defaults;
    UserPreferencesStore store;
    AppModel model;
};

} // namespace velto::test
