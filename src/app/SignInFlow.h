#pragma once

#include "app/AppServices.h"
#include "app/PendingWebLogin.h"
#include "app/TaskCounter.h"
#include "model/AppError.h"

#include <QCoro/QCoroTask>
#include <memory>
#include <optional>

namespace velto {

class AppModel;
class CancellationToken;
struct WebLoginStart;

// The browser sign-in and the sign-out: starts a handoff, opens the sign-in page, polls until
// the page reports back or the handoff expires, and keeps the model's sign-in state, status
// error and notice up to date. Everything runs on the main thread.
class SignInFlow
{
public:
    SignInFlow(AppServices services, AppModel& model);

    // Return at once; the work runs as coroutines.
    void start();
    void signOut();
    // Stops the poll loop and tells the backend the handoff is abandoned, in the background.
    void cancel();
    // The sign-in state and the catalogue as the stored session has them (at launch).
    void refresh();
    // Quitting: abandons any sign-in and starts none from now on.
    void stop();

    const std::optional<PendingWebLogin>& pendingWebLogin() const { return m_pendingWebLogin; }
    bool running() const { return m_token != nullptr; }
    bool isIdle() const { return m_tasks.idle(); }

private:
    QCoro::Task<> runRefresh();
    QCoro::Task<> runStart(std::shared_ptr<CancellationToken> token);
    QCoro::Task<> runPollLoop(WebLoginStart start, std::shared_ptr<CancellationToken> token);
    // Nothing when the handoff was exchanged for a session or the token was cancelled.
    QCoro::Task<std::optional<AppError>> pollUntilSettled(WebLoginStart start,
                                                          std::shared_ptr<CancellationToken> token);
    QCoro::Task<> runCancel(PendingWebLogin pending);
    QCoro::Task<> runSignOut();
    void fail(const AppError& error, const char* logPrefix);
    void end(const std::shared_ptr<CancellationToken>& token);

    AppServices m_services;
    AppModel& m_model;
    TaskCounter m_tasks;
    bool m_stopped = false;
    // The sign-in in progress (start and poll loop); cancelling it stops both.
    std::shared_ptr<CancellationToken> m_token;
    std::optional<PendingWebLogin> m_pendingWebLogin;
};

} // namespace velto
