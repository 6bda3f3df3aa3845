#include "SignInRoutes.h"

#include "SignInPage.h"

namespace velto::server {

using httplib::Request;
using httplib::Response;
using routes::sendPage;

SignInRoutes::SignInRoutes(const ServerOptions& options, HandoffStore& handoffs,
                           AccountStore& accounts, RateLimiter& limiter)
    : m_options(options), m_handoffs(handoffs), m_accounts(accounts), m_limiter(limiter)
{
}

void SignInRoutes::install(httplib::Server& http, const routes::Guard& guard)
{
    http.Get("/signin", guard([this](const Request& req, Response& res) { page(req, res); }));
    http.Post("/signin", guard([this](const Request& req, Response& res) { form(req, res); }));
}

bool SignInRoutes::explainUnusable(const std::optional<Handoff>& handoff, Response& res)
{
    if (!handoff) {
        sendPage(res, 404,
                 SignInPage::message("Sign-in link not valid",
                                     "This sign-in link is not valid. Start the sign-in again "
                                     "from Velto."));
        return true;
    }
    if (handoff->status == "pending") {
        return false;
    }
    if (handoff->reason == "expired") {
        sendPage(res, 410,
                 SignInPage::message("Sign-in link expired",
                                     "This sign-in link has expired. Start the sign-in again "
                                     "from Velto."));
    } else if (handoff->reason == "unsupported_provider") {
        sendPage(res, 400,
                 SignInPage::message("Sign-in method not offered",
                                     "This server offers sign-in with e-mail only, not with \"" +
                                         handoff->provider +
                                         "\". Choose e-mail sign-in in Velto and try again."));
    } else {
        sendPage(res, 409,
                 SignInPage::message("Sign-in link already used",
                                     "This sign-in link was already used or cancelled. Start "
                                     "the sign-in again from Velto if you need to."));
    }
    return true;
}

void SignInRoutes::page(const Request& req, Response& res)
{
    std::string id = req.get_param_value("handoff_id");
    auto handoff = id.empty() ? std::nullopt : m_handoffs.find(id);
    if (explainUnusable(handoff, res)) {
        return;
    }
    if (m_options.signin == "local") {
        sendPage(res, 200, SignInPage::localForm(*handoff, m_options.localEmail));
    } else {
        sendPage(res, 200, SignInPage::passwordForm(*handoff, "", ""));
    }
}

void SignInRoutes::form(const Request& req, Response& res)
{
    if (!m_limiter.allow(req.remote_addr)) {
        res.set_header("Retry-After", std::to_string(m_limiter.retryAfterSeconds()));
        sendPage(res, 429,
                 SignInPage::message("Too many attempts",
                                     "Too many sign-in attempts. Wait a minute and try again."));
        return;
    }
    httplib::Params form;
    httplib::detail::parse_query_text(req.body, form);
    auto field = [&](const char* name) {
        auto it = form.find(name);
        return it == form.end() ? std::string() : it->second;
    };
    std::string id = field("handoff_id");
    std::string action = field("action");
    auto handoff = id.empty() ? std::nullopt : m_handoffs.find(id);
    if (explainUnusable(handoff, res)) {
        return;
    }
    if (action == "cancel") {
        m_handoffs.fail(id, "access_denied");
        sendPage(res, 200,
                 SignInPage::message("Sign-in cancelled",
                                     "Sign-in was cancelled. You can close this tab."));
        return;
    }
    if (action != "continue") {
        sendPage(res, 400, SignInPage::message("Sign-in failed", "The form was not understood."));
        return;
    }
    std::optional<Account> account;
    if (m_options.signin == "local") {
        // Defence in depth: local mode only ever listens on loopback (checked at start-up).
        if (!ServerOptions::isLoopback(req.remote_addr) && req.remote_addr != "::ffff:127.0.0.1") {
            sendPage(res, 403,
                     SignInPage::message("Sign-in refused",
                                         "Local sign-in works only from this computer."));
            return;
        }
        account = m_accounts.localAccount(m_options.localEmail);
    } else {
        std::string email = field("email");
        try {
            account = m_accounts.verifyPassword(routes::lowerTrimmed(email), field("password"));
        } catch (const ApiError& e) {
            res.set_header("Retry-After", "1");
            sendPage(res, e.status(),
                     SignInPage::message("Sign-in busy", "Too many sign-ins are being checked "
                                                         "right now. Go back and try again in "
                                                         "a moment."));
            return;
        }
        if (!account) {
            sendPage(res, 401,
                     SignInPage::passwordForm(*handoff, email, "Wrong e-mail or password."));
            return;
        }
    }
    if (!m_handoffs.complete(id, account->id)) {
        explainUnusable(m_handoffs.find(id), res);
        return;
    }
    sendPage(res, 200,
             SignInPage::message("Signed in", "You are signed in to Velto as " + account->email +
                                                  ". You can close this tab and return to Velto."));
}

} // namespace velto::server
