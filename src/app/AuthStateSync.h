#pragma once

#include <QCoro/QCoroTask>

namespace velto {

class AppModel;
class AuthService;

// Shows on the model the sign-in state the session store holds now.
QCoro::Task<> syncAuthState(AuthService& auth, AppModel& model);

} // namespace velto
