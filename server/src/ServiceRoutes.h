#pragma once

#include "Database.h"
#include "RewriteEngine.h"
#include "Routes.h"
#include "ServerOptions.h"
#include "TokenStore.h"

namespace velto::server {

// GET /health (for load balancers: is the database answering) and GET /config (the engine's
// tones and languages for a signed-in user).
class ServiceRoutes
{
public:
    ServiceRoutes(const ServerOptions& options, Database& db, RewriteEngine& engine,
                  TokenStore& tokens);

    void install(httplib::Server& http, const routes::Guard& guard);

private:
    void health(const httplib::Request& req, httplib::Response& res);
    void config(const httplib::Request& req, httplib::Response& res);

    const ServerOptions& m_options;
    Database& m_db;
    RewriteEngine& m_engine;
    TokenStore& m_tokens;
};

} // namespace velto::server
