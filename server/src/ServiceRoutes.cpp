#include "ServiceRoutes.h"

namespace velto::server {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

namespace {

json catalogJson(const std::vector<CatalogOption>& options)
{
    json list = json::array();
    for (const auto& o : options) {
        list.push_back({{"id", o.id}, {"title", o.title}});
    }
    return list;
}

} // namespace

ServiceRoutes::ServiceRoutes(const ServerOptions& options, Database& db, RewriteEngine& engine,
                             TokenStore& tokens)
    : m_options(options), m_db(db), m_engine(engine), m_tokens(tokens)
{
}

void ServiceRoutes::install(httplib::Server& http, const routes::Guard& guard)
{
    http.Get("/health", guard([this](const Request& req, Response& res) { health(req, res); }));
    http.Get("/config", guard([this](const Request& req, Response& res) { config(req, res); }));
}

void ServiceRoutes::health(const Request&, Response& res)
{
    // A load balancer takes a replica whose database does not answer out of rotation.
    bool databaseUp = m_db.ping();
    res.status = databaseUp ? 200 : 503;
    res.set_content(json{{"status", databaseUp ? "ok" : "unavailable"},
                         {"database", databaseUp ? "ok" : "unavailable"},
                         {"store", m_db.kind()},
                         {"engine", m_engine.name()},
                         {"signin", m_options.signin}}
                        .dump(),
                    "application/json");
}

void ServiceRoutes::config(const Request& req, Response& res)
{
    routes::requireUser(req, m_tokens);
    json body = {
        {"tones", catalogJson(m_engine.tones())},
        {"languages", catalogJson(m_engine.languages())},
        {"defaults", {{"tone", "grammar_fix"}, {"language", "auto"}}},
    };
    res.set_content(body.dump(), "application/json");
}

} // namespace velto::server
