#pragma once

#include "RateLimiter.h"
#include "RewriteEngine.h"
#include "Routes.h"
#include "ServerOptions.h"
#include "TokenStore.h"

#include <map>
#include <memory>
#include <mutex>

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
    // The signed-in user's request within its limits; throws ApiError. `user` is set to the
    // user's id.
    RewriteRequest parse(const httplib::Request& req, std::string& user);
    // One of the user's streams until the result is released; throws ApiError 429 when the
    // user has as many open as allowed.
    std::shared_ptr<void> claimStream(const std::string& user);

    const ServerOptions& m_options;
    RewriteEngine& m_engine;
    TokenStore& m_tokens;
    RateLimiter& m_limiter;
    std::shared_ptr<std::mutex> m_streamsMutex = std::make_shared<std::mutex>();
    std::shared_ptr<std::map<std::string, int>> m_streams =
        std::make_shared<std::map<std::string, int>>();
};

} // namespace velto::server
