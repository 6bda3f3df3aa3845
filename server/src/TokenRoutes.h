#pragma once

#include "AccountStore.h"
#include "RateLimiter.h"
#include "Routes.h"
#include "ServerOptions.h"
#include "TokenStore.h"

namespace velto::server {

// The Supabase-compatible session calls, behind the "apikey" header clients send with them:
// POST /auth/v1/token?grant_type=refresh_token (a refresh token, spent, for a new session),
// GET /auth/v1/user (who the access token belongs to), POST /auth/v1/logout (ends sessions).
class TokenRoutes
{
public:
    TokenRoutes(const ServerOptions& options, TokenStore& tokens, AccountStore& accounts,
                RateLimiter& limiter);

    void install(httplib::Server& http, const routes::Guard& guard);

private:
    void requireApiKey(const httplib::Request& req) const;
    void refresh(const httplib::Request& req, httplib::Response& res);
    void user(const httplib::Request& req, httplib::Response& res);
    void logout(const httplib::Request& req, httplib::Response& res);

    const ServerOptions& m_options;
    TokenStore& m_tokens;
    AccountStore& m_accounts;
    RateLimiter& m_limiter;
};

} // namespace velto::server
