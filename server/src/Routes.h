#pragma once

#include "AccountStore.h"
#include "ApiError.h"
#include "RateLimiter.h"
#include "TokenStore.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <optional>
#include <string>

// What every group of endpoints shares: the handler types, reading request bodies and query
// items, and writing errors and pages.
namespace velto::server::routes {

using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
// Wraps a handler so the errors it throws become structured answers.
using Guard = std::function<Handler(Handler)>;

// The request's own id when it sent a usable one, else a new one; stored on the answer.
std::string requestIdFor(const httplib::Request& req, httplib::Response& res);
void writeError(const httplib::Request& req, httplib::Response& res, const ApiError& error);
// An HTML page the browser must neither cache nor frame.
void sendPage(httplib::Response& res, int status, const std::string& html);

// The body as a JSON object; throws ApiError invalid_json.
nlohmann::json parseObject(const httplib::Request& req);
// A string member; absent or null gives nothing; throws ApiError 400 for other types.
std::optional<std::string> optionalString(const nlohmann::json& body, const char* name,
                                          std::size_t maxLength = 256);
std::string requireString(const nlohmann::json& body, const char* name,
                          std::size_t maxLength = 256);
std::string requireParam(const httplib::Request& req, const char* name);
void requireNonce(const std::string& nonce);
std::string lowerTrimmed(std::string s);

// The request's bearer token; throws ApiError 401 when there is none.
std::string requireBearer(const httplib::Request& req);
// The user of the request's bearer token; throws ApiError 401.
std::string requireUser(const httplib::Request& req, TokenStore& tokens);
// Counts the request against the client address's limit; throws ApiError 429.
void limitByAddress(const httplib::Request& req, RateLimiter& limiter);
// The session answer of the handoff exchange and the refresh.
nlohmann::json sessionJson(const IssuedTokens& tokens, AccountStore& accounts);
// Answers with the session, never to be cached.
void sendSession(httplib::Response& res, const IssuedTokens& tokens, AccountStore& accounts);

} // namespace velto::server::routes
