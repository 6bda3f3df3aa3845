#pragma once

#include "fakes/model/MemoryDefaults.h"
#include "model/AppModel.h"
#include "model/UserPreferencesStore.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTest>
#include <memory>
#include <utility>

namespace velto::test {

// A model over in-memory preferences, put into the state a test names.
struct ModelStates
{
    ModelStates()
        : defaults(std::make_shared<MemoryDefaults>()), store(defaults),
          model(store, AppBuildConfig{AppRuntimeMode::release, QUrl("https://api.example.test/"),
                                      "https://auth.example.test", "anon", "email"})
    {
    }

    // "auth permissions rewrite[: error]": auth out | signing | in | in-noemail, permissions
    // both | none | input-only | unchecked, rewrite idle | running | succeeded | failed; the
    // error text goes to the status and to a failed rewrite.
    explicit ModelStates(const QString& state) : ModelStates()
    {
        // A mistyped state would test some other state.
        static const QRegularExpression form("^(out|signing|in|in-noemail) "
                                             "(both|none|input-only|unchecked) "
                                             "(idle|running|succeeded|failed)(: .+)?$");
        if (!form.match(state).hasMatch())
            qFatal("unknown model state \"%s\"", qPrintable(state));
        const QString error = state.section(QStringLiteral(": "), 1);
        const QStringList part = state.section(QStringLiteral(": "), 0, 0).split(' ');
        if (part.value(1) != "unchecked")
            model.setPermissionState(part.value(1) != "none", part.value(1) == "both");
        if (part.value(0) == "signing")
            model.setAuthState(AuthState::signingIn());
        else if (part.value(0) == "in")
            model.setAuthState(AuthState::signedIn(QStringLiteral("ada@example.test")));
        else if (part.value(0) == "in-noemail")
            model.setAuthState(AuthState::signedIn(std::nullopt));
        if (part.value(2) == "running")
            model.setRewriteState(RewriteState::running());
        else if (part.value(2) == "succeeded")
            model.setRewriteState(RewriteState::succeeded());
        else if (part.value(2) == "failed")
            model.setRewriteState(RewriteState::failed(error));
        if (!error.isEmpty())
            model.setStatusError(error);
    }

    // The states the screenshots show the panel in, by name; "notice" adds a notice.
    static QList<std::pair<QString, QString>> panelStates()
    {
        return {{"ready", "in both idle"},
                {"sign-in-required", "out both idle"},
                {"signing-in", "signing both idle"},
                {"permission-required", "out input-only idle"},
                {"rewriting", "in both running"},
                {"error", "in both failed: The rewrite service is not reachable."},
                {"notice", "in both succeeded"},
                {"setup-complete", "in both succeeded"}};
    }

    std::shared_ptr<MemoryDefaults> defaults;
    UserPreferencesStore store;
    AppModel model;
};

// A table row: its name, then one value per column (a string literal fills a QString column).
template <typename... T> void row(const char* name, const T&... values)
{
    (QTest::newRow(name) << ... << values);
}

} // namespace velto::test
