#pragma once

#include "AccountStore.h"
#include "Clock.h"
#include "Database.h"
#include "HandoffStore.h"
#include "HttpConnections.h"
#include "RateLimiter.h"
#include "RewriteEngine.h"
#include "ServerOptions.h"
#include "TokenStore.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <string>

namespace velto::server {

// The HTTP server: routes, authentication, limits, structured errors and the request log.
class VeltoServer
{
public:
    // Opens the database (creating the data directory for SQLite). Throws std::runtime_error.
    VeltoServer(ServerOptions options, std::unique_ptr<RewriteEngine> engine,
                Clock clock = systemClock());
    ~VeltoServer();

    // Binds the listening socket; returns the port (useful with port 0). Throws on failure.
    int bind();
    // Serves until stop(). Call bind() first.
    void listen();
    void stop();
    bool isRunning() const { return http_.is_running(); }
    // Connections accepted and waiting for a free worker.
    std::size_t connectionsWaiting() const { return connections_.waiting(); }

    int port() const { return port_; }
    // Where the browser reaches the server: --public-url, or http://HOST:PORT.
    std::string publicUrl() const;

    // Where log lines go (standard error by default).
    void setLogSink(std::function<void(const std::string&)> sink);

private:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    void installRoutes();
    Handler guarded(Handler handler);

    void handleHealth(const httplib::Request& req, httplib::Response& res);
    void handleConfig(const httplib::Request& req, httplib::Response& res);
    void handleRewrite(const httplib::Request& req, httplib::Response& res);
    void handleRewriteStream(const httplib::Request& req, httplib::Response& res);
    void handleHandoffStart(const httplib::Request& req, httplib::Response& res);
    void handleHandoffPoll(const httplib::Request& req, httplib::Response& res);
    void handleHandoffExchange(const httplib::Request& req, httplib::Response& res);
    void handleHandoffCancel(const httplib::Request& req, httplib::Response& res);
    void handleSignInPage(const httplib::Request& req, httplib::Response& res);
    void handleSignInForm(const httplib::Request& req, httplib::Response& res);
    void handleRefresh(const httplib::Request& req, httplib::Response& res);

    // The user of the request's bearer token; throws ApiError 401.
    std::string requireUser(const httplib::Request& req);
    RewriteRequest parseRewrite(const httplib::Request& req);
    void limitAuth(const httplib::Request& req);
    // A page for a handoff that can no longer be signed in; false when it is still pending.
    bool explainUnusableHandoff(const std::optional<Handoff>& handoff, httplib::Response& res);
    nlohmann::json sessionJson(const IssuedTokens& tokens);
    void log(const std::string& line);

    ServerOptions options_;
    std::unique_ptr<RewriteEngine> engine_;
    Clock clock_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<AccountStore> accounts_;
    std::unique_ptr<TokenStore> tokens_;
    std::unique_ptr<HandoffStore> handoffs_;
    std::unique_ptr<RateLimiter> rewriteLimiter_;
    std::unique_ptr<RateLimiter> authLimiter_;
    HttpConnections connections_;
    httplib::Server http_;
    int port_ = 0;
    std::mutex logMutex_;
    std::function<void(const std::string&)> logSink_;
};

} // namespace velto::server
