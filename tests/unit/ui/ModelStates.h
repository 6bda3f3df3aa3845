#pragma once

#include "fakes/model/MemoryPreferences.h"
#include "model/AppModel.h"
#include "model/UserPreferencesStore.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTest>
#include <memory>

namespace velto::test {

// A model over in-memory preferences, put into the state a test names.
struct ModelStates
{
    ModelStates()
        : defaults(std::make_shared<MemoryPreferences>()), store(defaults),
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
                                             "(idle|running|succeeded|failed)(?:: (.+))?$");
        const QRegularExpressionMatch part = form.match(state);
        if (!part.hasMatch())
            qFatal("unknown model state \"%s\"", qPrintable(state));
        const QString auth = part.captured(1), permissions = part.captured(2);
        const QString rewrite = part.captured(3), error = part.captured(4);
        if (permissions != "unchecked")
            model.setPermissionState(permissions != "none", permissions == "both");
        if (auth != "out")
            model.setAuthState(auth == "signing" ? AuthState::signingIn()
                               : auth == "in"    ? AuthState::signedIn("ada@example.test")
                                                 : AuthState::signedIn(std::nullopt));
        if (rewrite != "idle")
            model.setRewriteState(rewrite == "running"     ? RewriteState::running()
                                  : rewrite == "succeeded" ? RewriteState::succeeded()
                                                           : RewriteState::failed(error));
        if (!error.isEmpty())
            model.setStatusError(error);
    }

    std::shared_ptr<MemoryPreferences> defaults;
    UserPreferencesStore store;
    AppModel model;
};

// A list written as one string, "a|b|c" (a column of strings in a table row).
inline QStringList list(const char* items)
{
    return QString::fromUtf8(items).split('|');
}

// A table row: its name, then one value per column (a string literal fills a QString column).
template <typename... T> void row(const char* name, const T&... values)
{
    (QTest::newRow(name) << ... << values);
}

} // namespace velto::test
