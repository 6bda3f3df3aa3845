#include "app/SignInFlow.h"

#include "app/AuthStateSync.h"
#include "auth/AuthService.h"
#include "auth/AuthServiceError.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "platform/CancellationToken.h"
#include "platform/Clock.h"
#include "platform/Sleeper.h"
#include "platform/Workspace.h"
#include "rewrite/RewriteAPI.h"

namespace velto {

SignInFlow::SignInFlow(AppServices services, AppModel& model)
    : m_services(std::move(services)), m_model(model)
{
}

void SignInFlow::refresh()
{
    runRefresh();
}

QCoro::Task<> SignInFlow::runRefresh()
{
    auto scope = m_tasks.scope();
    co_await syncAuthState(m_services.auth, m_model);
    co_await m_services.rewriteAPI.refreshServerConfig(m_model, m_services.auth);
}

void SignInFlow::start()
{
    if (m_stopped)
        return;
    m_model.setStatusError(std::nullopt);
    m_model.setNotice(
        UserNoticeStyle::info, QCoreApplication::translate("Notices", "Continue in your browser"),
        QCoreApplication::translate(
            "Notices",
            "A sign-in page will open. Come back to Velto once the browser step is complete."));
    ClientLogger::info(u"auth sign-in requested");
    cancel();
    m_model.setAuthState(AuthState::signingIn());
    m_token = std::make_shared<CancellationToken>();
    runStart(m_token);
}

void SignInFlow::fail(const AppError& error, const char* logPrefix)
{
    const QString& text = error.description();
    m_model.setStatusError(text);
    m_model.setNotice(UserNoticeStyle::error,
                      QCoreApplication::translate("Notices", "Sign in failed"), text);
    ClientLogger::error(QString::fromLatin1(logPrefix), text);
}

QCoro::Task<> SignInFlow::runStart(std::shared_ptr<CancellationToken> token)
{
    auto scope = m_tasks.scope();
    const QString nonce = AuthService::randomDeviceNonce();
    std::optional<AppError> failure;
    WebLoginStart start;
    try {
        start = co_await m_services.auth.startWebLogin(m_model, nonce);
    } catch (const AppError& error) {
        failure = error;
    }
    if (token->isCancelled()) {
        // Superseded while the start was out: abandon the handoff it made, quietly.
        if (!failure)
            runCancel({start.handoffID, start.deviceNonce});
        co_return;
    }
    if (!failure) {
        m_pendingWebLogin = PendingWebLogin{start.handoffID, start.deviceNonce};
        if (start.userCode)
            m_model.setNotice(
                UserNoticeStyle::info,
                QCoreApplication::translate("Notices", "Continue in your browser"),
                QCoreApplication::translate("Notices", "Confirm the code %1 in your browser.")
                    .arg(*start.userCode));
        if (!m_services.workspace.openURL(start.loginURL)) {
            m_pendingWebLogin.reset();
            failure = AuthServiceError::webLoginBrowserOpenFailed();
        }
    }
    if (failure) {
        fail(*failure, "auth login start failed: ");
        end(token);
        co_await syncAuthState(m_services.auth, m_model);
        co_return;
    }
    ClientLogger::info(u"auth login started");
    runPollLoop(start, std::move(token));
}

void SignInFlow::end(const std::shared_ptr<CancellationToken>& token)
{
    // A loop that was replaced by a newer sign-in must not clear the newer one's handoff.
    if (m_token != token)
        return;
    m_token.reset();
    m_pendingWebLogin.reset();
}

QCoro::Task<std::optional<AppError>>
SignInFlow::pollUntilSettled(WebLoginStart start, std::shared_ptr<CancellationToken> token)
{
    AuthService& auth = m_services.auth;
    for (;;) {
        if (m_services.clock.now() >= start.expiresAt)
            co_return AuthServiceError::webLoginTimedOut();
        if (token->isCancelled())
            co_return std::nullopt;
        std::optional<AppError> failure;
        std::optional<WebLoginPollState> state;
        try {
            state = co_await auth.pollWebLogin(m_model, start.handoffID, start.deviceNonce);
            if (state->kind() == WebLoginPollState::Kind::ready && !token->isCancelled())
                co_await auth.exchangeWebLogin(m_model, start.handoffID, start.deviceNonce,
                                               state->exchangeCode());
        } catch (const AppError& error) {
            failure = error;
        }
        if (failure)
            co_return failure;
        if (token->isCancelled())
            co_return std::nullopt;
        if (state->kind() == WebLoginPollState::Kind::ready)
            co_return std::nullopt;
        if (state->kind() == WebLoginPollState::Kind::failed)
            co_return AuthServiceError::webLoginFailed(
                AuthService::humanReadableHandoffFailure(state->reason()));
        if (!co_await m_services.sleeper.sleep(std::chrono::milliseconds(start.pollIntervalMs),
                                               token))
            co_return std::nullopt;
    }
}

QCoro::Task<> SignInFlow::runPollLoop(WebLoginStart start, std::shared_ptr<CancellationToken> token)
{
    auto scope = m_tasks.scope();
    const std::optional<AppError> failure = co_await pollUntilSettled(start, token);
    if (token->isCancelled()) {
        // Cancellation is silent; the fields belong to whoever cancelled.
        end(token);
        co_return;
    }
    if (failure) {
        fail(*failure, "auth polling failed: ");
        co_await syncAuthState(m_services.auth, m_model);
        end(token);
        co_return;
    }
    ClientLogger::info(u"auth login completed");
    m_model.setStatusError(std::nullopt);
    m_model.setNotice(
        UserNoticeStyle::success, QCoreApplication::translate("Notices", "Account connected"),
        QCoreApplication::translate("Notices", "You're signed in and ready to rewrite text."));
    co_await syncAuthState(m_services.auth, m_model);
    co_await m_services.rewriteAPI.refreshServerConfig(m_model, m_services.auth);
    end(token);
}

void SignInFlow::cancel()
{
    if (m_token) {
        m_token->cancel();
        m_token.reset();
    }
    if (m_pendingWebLogin) {
        const PendingWebLogin pending = *m_pendingWebLogin;
        m_pendingWebLogin.reset();
        runCancel(pending);
    }
}

void SignInFlow::stop()
{
    m_stopped = true;
    cancel();
}

QCoro::Task<> SignInFlow::runCancel(PendingWebLogin pending)
{
    auto scope = m_tasks.scope();
    co_await m_services.auth.cancelWebLogin(m_model, pending.handoffID, pending.deviceNonce);
}

void SignInFlow::signOut()
{
    cancel();
    runSignOut();
}

QCoro::Task<> SignInFlow::runSignOut()
{
    auto scope = m_tasks.scope();
    std::optional<AppError> keyringFailure;
    try {
        co_await m_services.auth.signOut(m_model);
    } catch (const AppError& error) {
        keyringFailure = error;
    }
    m_model.setStatusError(std::nullopt);
    if (keyringFailure)
        m_model.setNotice(
            UserNoticeStyle::warning, QCoreApplication::translate("Notices", "Sign-out incomplete"),
            QCoreApplication::translate(
                "Notices", "Velto is signed out for now, but the session is still in the system "
                           "keyring and may sign you in again at the next start. %1")
                .arg(keyringFailure->description()));
    else
        m_model.setNotice(UserNoticeStyle::info,
                          QCoreApplication::translate("Notices", "Signed out"),
                          QCoreApplication::translate(
                              "Notices", "Velto is disconnected until you sign in again."));
    co_await syncAuthState(m_services.auth, m_model);
    m_model.resetToFallbackCatalog();
    ClientLogger::info(u"auth signed out");
}

} // namespace velto
