#pragma once

#include "AccountStore.h"
#include "HandoffStore.h"
#include "RateLimiter.h"
#include "Routes.h"
#include "ServerOptions.h"

namespace velto::server {

// The browser's side of the sign-in hand-off: GET /signin shows the page for a handoff,
// POST /signin takes its form (continue or cancel; e-mail and password in password mode).
// Every answer is an HTML page.
class SignInRoutes
{
public:
    SignInRoutes(const ServerOptions& options, HandoffStore& handoffs, AccountStore& accounts,
                 RateLimiter& limiter);

    void install(httplib::Server& http, const routes::Guard& guard);

private:
    void page(const httplib::Request& req, httplib::Response& res);
    void form(const httplib::Request& req, httplib::Response& res);
    // A page for a handoff that can no longer be signed in; false when it is still pending.
    bool explainUnusable(const std::optional<Handoff>& handoff, httplib::Response& res);

    const ServerOptions& m_options;
    HandoffStore& m_handoffs;
    AccountStore& m_accounts;
    RateLimiter& m_limiter;
};

} // namespace velto::server
