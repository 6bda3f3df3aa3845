#include "TokenRoutes.h"

#include "Crypto.h"

namespace velto::server {

using httplib::Request;
using httplib::Response;
using nlohmann::json;
using namespace routes;

TokenRoutes::TokenRoutes(const ServerOptions& options, TokenStore& tokens, AccountStore& accounts,
                         RateLimiter& limiter)
    : m_options(options), m_tokens(tokens), m_accounts(accounts), m_limiter(limiter)
{
}

void TokenRoutes::install(httplib::Server& http, const Guard& guard)
{
    http.Post("/auth/v1/token",
              guard([this](const Request& req, Response& res) { refresh(req, res); }));
    http.Get("/auth/v1/user", guard([this](const Request& req, Response& res) { user(req, res); }));
    http.Post("/auth/v1/logout",
              guard([this](const Request& req, Response& res) { logout(req, res); }));
}

void TokenRoutes::requireApiKey(const Request& req) const
{
    std::string apikey = req.get_header_value("apikey");
    if (apikey.empty()) {
        throw ApiError(401, "missing_api_key", "The \"apikey\" header is missing.");
    }
    if (!crypto::equalConstantTime(apikey, m_options.anonKey)) {
        throw ApiError(401, "invalid_api_key", "The \"apikey\" header is not valid.");
    }
}

void TokenRoutes::refresh(const Request& req, Response& res)
{
    limitByAddress(req, m_limiter);
    requireApiKey(req);
    if (req.get_param_value("grant_type") != "refresh_token") {
        throw ApiError::badRequest("unsupported_grant_type",
                                   "Only grant_type=refresh_token is supported.");
    }
    json body = parseObject(req);
    std::string refresh = requireString(body, "refresh_token");
    if (refresh.empty()) {
        throw ApiError::badRequest("invalid_request", "\"refresh_token\" is empty.");
    }
    sendSession(res, m_tokens.rotate(refresh), m_accounts);
}

void TokenRoutes::user(const Request& req, Response& res)
{
    requireApiKey(req);
    std::string userId = requireUser(req, m_tokens);
    auto account = m_accounts.find(userId);
    if (!account) {
        throw ApiError::unauthorized("The access token is invalid or has expired.");
    }
    // The members Supabase's clients read from a user.
    json user = {
        {"id", account->id},
        {"aud", "authenticated"},
        {"role", "authenticated"},
        {"email", account->email},
        {"app_metadata", {{"provider", "email"}, {"providers", json::array({"email"})}}},
        {"user_metadata", json::object()},
    };
    res.set_header("Cache-Control", "no-store");
    res.set_content(user.dump(), "application/json");
}

void TokenRoutes::logout(const Request& req, Response& res)
{
    limitByAddress(req, m_limiter);
    requireApiKey(req);
    std::string token = requireBearer(req);
    // Supabase's clients say which sessions end; without a word, the caller's own.
    std::string scope = req.get_param_value("scope");
    LogoutScope which = LogoutScope::Session;
    if (scope == "global") {
        which = LogoutScope::User;
    } else if (scope == "others") {
        which = LogoutScope::OtherSessions;
    } else if (!scope.empty() && scope != "local") {
        throw ApiError::badRequest("invalid_request", "\"scope\" is local, global or others.");
    }
    if (!m_tokens.logout(token, which)) {
        throw ApiError::unauthorized("The access token is invalid or has expired.");
    }
    res.status = 204;
}

} // namespace velto::server
