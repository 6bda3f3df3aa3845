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
    : options_(options), db_(db), engine_(engine), tokens_(tokens)
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
    bool databaseUp = db_.ping();
    res.status = databaseUp ? 200 : 503;
    res.set_content(json{{"status", databaseUp ? "ok" : "unavailable"},
                         {"database", databaseUp ? "ok" : "unavailable"},
                         {"store", db_.kind()},
                         {"engine", engine_.name()},
                         {"signin", options_.signin}}
                        .dump(),
                    "application/json");
}

void ServiceRoutes::config(const Request& req, Response& res)
{
    routes::requireUser(req, tokens_);
    json body = {
        {"tones", catalogJson(engine_.tones())},
        {"languages", catalogJson(engine_.languages())},
        {"defaults", {{"tone", "grammar_fix"}, {"language", "auto"}}},
    };
    res.set_content(body.dump(), "application/json");
}

} // namespace velto::server
