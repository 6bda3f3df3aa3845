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
    bool isRunning() const { return m_http.is_running(); }
    // Connections accepted and waiting for a free worker.
    std::size_t connectionsWaiting() const { return m_connections.waiting(); }

    int port() const { return m_port; }
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

    ServerOptions m_options;
    std::unique_ptr<RewriteEngine> m_engine;
    Clock m_clock;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<AccountStore> m_accounts;
    std::unique_ptr<TokenStore> m_tokens;
    std::unique_ptr<HandoffStore> m_handoffs;
    std::unique_ptr<RateLimiter> m_rewriteLimiter;
    std::unique_ptr<RateLimiter> m_authLimiter;
    std::unique_ptr<ServiceRoutes> m_serviceRoutes;
    std::unique_ptr<RewriteRoutes> m_rewriteRoutes;
    std::unique_ptr<HandoffRoutes> m_handoffRoutes;
    std::unique_ptr<SignInRoutes> m_signInRoutes;
    std::unique_ptr<TokenRoutes> m_tokenRoutes;
    HostCheck m_hostCheck;
    HttpConnections m_connections;
    GuardedHttpServer m_http;
    int m_port = 0;
    std::mutex m_logMutex;
    std::function<void(const std::string&)> m_logSink;
};

} // namespace velto::server
