#pragma once

#include "AccountStore.h"
#include "Clock.h"
#include "Database.h"
#include "GuardedHttpServer.h"
#include "HandoffRoutes.h"
#include "HandoffStore.h"
#include "HostCheck.h"
#include "HttpConnections.h"
#include "RateLimiter.h"
#include "RewriteEngine.h"
#include "RewriteRoutes.h"
#include "ServerOptions.h"
#include "ServiceRoutes.h"
#include "SignInRoutes.h"
#include "TokenRoutes.h"
#include "TokenStore.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <string>

namespace velto::server {

// The HTTP server: binding and listening, request ids, structured errors and the request log;
// the endpoints live in their route classes.
class VeltoServer
{
public:
    // Opens the database (creating the data directory for SQLite). Throws std::runtime_error.
    VeltoServer(ServerOptions options, std::unique_ptr<RewriteEngine> engine,
                Clock clock = systemClock());
    ~VeltoServer();

    // Binds the listening socket; returns the port (useful with port 0). Throws on failure.
    int bind();
    // Serves until stop(). Call bind() first. False when serving failed rather than stopped.
    bool listen();
    void stop();
    bool isRunning() const { return http_.is_running(); }
    // Connections accepted and waiting for a free worker.
    std::size_t connectionsWaiting() const { return connections_.waiting(); }

    int port() const { return port_; }
    // Where the browser reaches the server: --public-url, or http://HOST:PORT.
    std::string publicUrl() const;

    // Where log lines go (standard error by default).
    void setLogSink(std::function<void(const std::string&)> sink);
    // The line with control bytes and backslashes written as \xNN, so that one line of the
    // log is one line whatever a request carried.
    static std::string escapeForLog(const std::string& line);

private:
    void installRoutes();
    // Turns what a handler throws into a structured error (or, for the browser, a page).
    routes::Handler guarded(routes::Handler handler);
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
    std::unique_ptr<ServiceRoutes> serviceRoutes_;
    std::unique_ptr<RewriteRoutes> rewriteRoutes_;
    std::unique_ptr<HandoffRoutes> handoffRoutes_;
    std::unique_ptr<SignInRoutes> signInRoutes_;
    std::unique_ptr<TokenRoutes> tokenRoutes_;
    HostCheck hostCheck_;
    HttpConnections connections_;
    GuardedHttpServer http_;
    int port_ = 0;
    std::mutex logMutex_;
    std::function<void(const std::string&)> logSink_;
};

} // namespace velto::server
