#pragma once

#include "AccountStore.h"
#include "RateLimiter.h"
#include "Routes.h"
#include "ServerOptions.h"
#include "TokenStore.h"

namespace velto::server {

// POST /auth/v1/token?grant_type=refresh_token: a refresh token (spent) for a new session,
// behind the "apikey" header the app sends with it.
class TokenRoutes
{
public:
    TokenRoutes(const ServerOptions& options, TokenStore& tokens, AccountStore& accounts,
                RateLimiter& limiter);

    void install(httplib::Server& http, const routes::Guard& guard);

private:
    void refresh(const httplib::Request& req, httplib::Response& res);

    const ServerOptions& options_;
    TokenStore& tokens_;
    AccountStore& accounts_;
    RateLimiter& limiter_;
};

} // namespace velto::server
