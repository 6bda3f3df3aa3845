#pragma once

#include "RateLimiter.h"
#include "RewriteEngine.h"
#include "Routes.h"
#include "ServerOptions.h"
#include "TokenStore.h"

namespace velto::server {

// POST /rewrite (the whole text back as plain text) and POST /rewrite/stream (server-sent
// events, one per piece, ending with "[DONE]" or an "error" event).
class RewriteRoutes
{
public:
    RewriteRoutes(const ServerOptions& options, RewriteEngine& engine, TokenStore& tokens,
                  RateLimiter& limiter);

    void install(httplib::Server& http, const routes::Guard& guard);

private:
    void rewrite(const httplib::Request& req, httplib::Response& res);
    void rewriteStream(const httplib::Request& req, httplib::Response& res);
    // The signed-in user's request within its limits; throws ApiError.
    RewriteRequest parse(const httplib::Request& req);

    const ServerOptions& options_;
    RewriteEngine& engine_;
    TokenStore& tokens_;
    RateLimiter& limiter_;
};

} // namespace velto::server
