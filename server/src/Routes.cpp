#include "Routes.h"

#include "Crypto.h"

namespace velto::server::routes {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

namespace {

const char* const kRequestIdHeader = "X-Request-Id";

bool isSaneRequestId(const std::string& id)
{
    if (id.empty() || id.size() > 128) {
        return false;
    }
    for (unsigned char c : id) {
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                  c == '-' || c == '_' || c == '.' || c == ':';
        if (!ok) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string requestIdFor(const Request& req, Response& res)
{
    if (res.has_header(kRequestIdHeader)) {
        return res.get_header_value(kRequestIdHeader);
    }
    std::string id = req.get_header_value(kRequestIdHeader);
    if (!isSaneRequestId(id)) {
        id = crypto::uuid();
    }
    res.set_header(kRequestIdHeader, id);
    return id;
}

void writeError(const Request& req, Response& res, const ApiError& error)
{
    std::string id = requestIdFor(req, res);
    res.status = error.status();
    if (error.status() == 401) {
        res.set_header("WWW-Authenticate", "Bearer");
    }
    res.set_content(error.toJson(id).dump(), "application/json");
}

void sendPage(Response& res, int status, const std::string& html)
{
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Frame-Options", "DENY");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'");
    res.status = status;
    res.set_content(html, "text/html; charset=utf-8");
}

json parseObject(const Request& req)
{
    json body = json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        throw ApiError::invalidJson();
    }
    return body;
}

std::optional<std::string> optionalString(const json& body, const char* name, std::size_t maxLength)
{
    auto it = body.find(name);
    if (it == body.end() || it->is_null()) {
        return std::nullopt;
    }
    if (!it->is_string()) {
        throw ApiError::badRequest("invalid_request",
                                   std::string("\"") + name + "\" must be a string.");
    }
    std::string value = it->get<std::string>();
    if (value.size() > maxLength) {
        throw ApiError::badRequest("invalid_request", std::string("\"") + name + "\" is too long.");
    }
    return value;
}

std::string requireString(const json& body, const char* name, std::size_t maxLength)
{
    auto value = optionalString(body, name, maxLength);
    if (!value) {
        throw ApiError::badRequest("invalid_request", std::string("\"") + name + "\" is missing.");
    }
    return *value;
}

std::string requireParam(const Request& req, const char* name)
{
    if (!req.has_param(name) || req.get_param_value(name).empty()) {
        throw ApiError::badRequest("invalid_request",
                                   std::string("The query item \"") + name + "\" is missing.");
    }
    return req.get_param_value(name);
}

void requireNonce(const std::string& nonce)
{
    if (!crypto::isBase64Url(nonce, 43)) {
        throw ApiError::badRequest("invalid_device_nonce",
                                   "The device nonce must be 43 base64url characters.");
    }
}

std::string lowerTrimmed(std::string s)
{
    auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) {
        return {};
    }
    s = s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
    for (auto& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

std::string requireBearer(const Request& req)
{
    std::string header = req.get_header_value("Authorization");
    const std::size_t schemeLength = 7; // "Bearer "
    if (header.size() <= schemeLength || lowerTrimmed(header.substr(0, 6)) != "bearer" ||
        header[6] != ' ') {
        throw ApiError::unauthorized("A bearer access token is required.");
    }
    return header.substr(schemeLength);
}

std::string requireUser(const Request& req, TokenStore& tokens)
{
    auto user = tokens.userForAccessToken(requireBearer(req));
    if (!user) {
        throw ApiError::unauthorized("The access token is invalid or has expired.");
    }
    return *user;
}

void limitByAddress(const Request& req, RateLimiter& limiter)
{
    if (!limiter.allow(req.remote_addr)) {
        throw ApiError::rateLimited();
    }
}

void sendSession(Response& res, const IssuedTokens& tokens, AccountStore& accounts)
{
    // Tokens must not stay in a cache along the way.
    res.set_header("Cache-Control", "no-store");
    res.set_header("Pragma", "no-cache");
    res.set_content(sessionJson(tokens, accounts).dump(), "application/json");
}

json sessionJson(const IssuedTokens& tokens, AccountStore& accounts)
{
    auto account = accounts.find(tokens.userId);
    json user = {{"id", tokens.userId}};
    if (account) {
        user["email"] = account->email;
    }
    return {
        {"access_token", tokens.accessToken},   {"token_type", "bearer"},
        {"expires_in", tokens.expiresIn},       {"expires_at", tokens.expiresAt},
        {"refresh_token", tokens.refreshToken}, {"user", user},
    };
}

} // namespace velto::server::routes
