#pragma once

#include "AccountStore.h"
#include "HandoffStore.h"
#include "RateLimiter.h"
#include "Routes.h"
#include "ServerOptions.h"
#include "TokenStore.h"

namespace velto::server {

// The app's side of the sign-in hand-off: POST /auth/handoff/start, GET /auth/handoff/poll,
// POST /auth/handoff/exchange (the code for a session) and POST /auth/handoff/cancel.
class HandoffRoutes
{
public:
    // `publicUrl` gives the address the browser reaches the server at (for "login_url").
    HandoffRoutes(const ServerOptions& options, HandoffStore& handoffs, TokenStore& tokens,
                  AccountStore& accounts, RateLimiter& limiter,
                  std::function<std::string()> publicUrl);

    void install(httplib::Server& http, const routes::Guard& guard);

private:
    void start(const httplib::Request& req, httplib::Response& res);
    void poll(const httplib::Request& req, httplib::Response& res);
    void exchange(const httplib::Request& req, httplib::Response& res);
    void cancel(const httplib::Request& req, httplib::Response& res);

    const ServerOptions& m_options;
    HandoffStore& m_handoffs;
    TokenStore& m_tokens;
    AccountStore& m_accounts;
    RateLimiter& m_limiter;
    std::function<std::string()> m_publicUrl;
};

} // namespace velto::server
