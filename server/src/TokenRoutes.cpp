#include "TokenRoutes.h"

#include "Crypto.h"

namespace velto::server {

using httplib::Request;
using httplib::Response;
using nlohmann::json;
using namespace routes;

TokenRoutes::TokenRoutes(const ServerOptions& options, TokenStore& tokens, AccountStore& accounts,
                         RateLimiter& limiter)
    : options_(options), tokens_(tokens), accounts_(accounts), limiter_(limiter)
{
}

void TokenRoutes::install(httplib::Server& http, const Guard& guard)
{
    http.Post("/auth/v1/token",
              guard([this](const Request& req, Response& res) { refresh(req, res); }));
}

void TokenRoutes::refresh(const Request& req, Response& res)
{
    limitByAddress(req, limiter_);
    std::string apikey = req.get_header_value("apikey");
    if (apikey.empty()) {
        throw ApiError(401, "missing_api_key", "The \"apikey\" header is missing.");
    }
    if (!crypto::equalConstantTime(apikey, options_.anonKey)) {
        throw ApiError(401, "invalid_api_key", "The \"apikey\" header is not valid.");
    }
    if (req.get_param_value("grant_type") != "refresh_token") {
        throw ApiError::badRequest("unsupported_grant_type",
                                   "Only grant_type=refresh_token is supported.");
    }
    json body = parseObject(req);
    std::string refresh = requireString(body, "refresh_token");
    if (refresh.empty()) {
        throw ApiError::badRequest("invalid_request", "\"refresh_token\" is empty.");
    }
    res.set_content(sessionJson(tokens_.rotate(refresh), accounts_).dump(), "application/json");
}

} // namespace velto::server
