#include "app/AuthStateSync.h"

#include "auth/AuthService.h"
#include "model/AppModel.h"

namespace velto {

QCoro::Task<> syncAuthState(AuthService& auth, AppModel& model)
{
    const AuthState synced = co_await auth.syncAuthState(model);
    model.setAuthState(synced);
}

} // namespace velto
