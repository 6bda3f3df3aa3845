#pragma once

#include "model/AppModel.h"

#include <QString>

namespace velto::test {

// Puts a model in the state a table row names: auth "out" | "signing" | "in" | "in-noemail",
// permissions "both" | "none" | "input-only" | "unchecked", rewrite "idle" | "running" |
// "succeeded" | "failed", and an optional status error text.
inline void applyState(AppModel& model, const QString& auth, const QString& permissions,
                       const QString& rewrite, const QString& error = {})
{
    if (permissions == "both")
        model.setPermissionState(true, true);
    else if (permissions == "none")
        model.setPermissionState(false, false);
    else if (permissions == "input-only")
        model.setPermissionState(true, false);
    if (auth == "signing")
        model.setAuthState(AuthState::signingIn());
    else if (auth == "in")
        model.setAuthState(AuthState::signedIn(QStringLiteral("ada@example.test")));
    else if (auth == "in-noemail")
        model.setAuthState(AuthState::signedIn(std::nullopt));
    else
        model.setAuthState(AuthState::signedOut());
    if (rewrite == "running")
        model.setRewriteState(RewriteState::running());
    else if (rewrite == "succeeded")
        model.setRewriteState(RewriteState::succeeded());
    else if (rewrite == "failed")
        model.setRewriteState(RewriteState::failed(error));
    if (!error.isEmpty())
        model.setStatusError(error);
}

} // namespace velto::test
