#include "HandoffRoutes.h"

namespace velto::server {

using httplib::Request;
using httplib::Response;
using nlohmann::json;
using namespace routes;

HandoffRoutes::HandoffRoutes(const ServerOptions& options, HandoffStore& handoffs,
                             TokenStore& tokens, AccountStore& accounts, RateLimiter& limiter,
                             std::function<std::string()> publicUrl)
    : m_options(options), m_handoffs(handoffs), m_tokens(tokens), m_accounts(accounts),
      m_limiter(limiter), m_publicUrl(std::move(publicUrl))
{
}

void HandoffRoutes::install(httplib::Server& http, const Guard& guard)
{
    http.Post("/auth/handoff/start",
              guard([this](const Request& req, Response& res) { start(req, res); }));
    http.Get("/auth/handoff/poll",
             guard([this](const Request& req, Response& res) { poll(req, res); }));
    http.Post("/auth/handoff/exchange",
              guard([this](const Request& req, Response& res) { exchange(req, res); }));
    http.Post("/auth/handoff/cancel",
              guard([this](const Request& req, Response& res) { cancel(req, res); }));
}

void HandoffRoutes::start(const Request& req, Response& res)
{
    limitByAddress(req, m_limiter);
    json body = parseObject(req);
    std::string client = optionalString(body, "client", 64).value_or("");
    std::string version = optionalString(body, "client_version", 64).value_or("");
    std::string nonce = requireString(body, "device_nonce", 64);
    std::string provider = lowerTrimmed(optionalString(body, "provider", 32).value_or("email"));
    requireNonce(nonce);
    std::optional<std::string> failReason;
    if (provider != "email") {
        failReason = "unsupported_provider";
    }
    Handoff h = m_handoffs.start(nonce, client, version, provider, failReason);
    json answer = {
        {"handoff_id", h.id},
        {"login_url", m_publicUrl() + "/signin?handoff_id=" + h.id},
        {"expires_in_seconds", m_handoffs.lifetime()},
        {"poll_interval_ms", m_options.pollIntervalMs},
        {"user_code", h.userCode},
    };
    res.set_content(answer.dump(), "application/json");
}

void HandoffRoutes::poll(const Request& req, Response& res)
{
    limitByAddress(req, m_limiter);
    std::string id = requireParam(req, "handoff_id");
    std::string nonce = requireParam(req, "device_nonce");
    requireNonce(nonce);
    PollAnswer answer = m_handoffs.poll(id, nonce);
    json body = {{"status", answer.status}};
    if (answer.reason) {
        body["reason"] = *answer.reason;
    }
    if (answer.exchangeCode) {
        body["exchange_code"] = *answer.exchangeCode;
    }
    res.set_content(body.dump(), "application/json");
}

void HandoffRoutes::exchange(const Request& req, Response& res)
{
    limitByAddress(req, m_limiter);
    json body = parseObject(req);
    std::string id = requireString(body, "handoff_id");
    std::string nonce = requireString(body, "device_nonce", 64);
    std::string code = requireString(body, "exchange_code");
    requireNonce(nonce);
    std::string user = m_handoffs.exchange(id, nonce, code);
    sendSession(res, m_tokens.issue(user), m_accounts);
}

void HandoffRoutes::cancel(const Request& req, Response& res)
{
    limitByAddress(req, m_limiter);
    json body = parseObject(req);
    std::string id = requireString(body, "handoff_id");
    std::string nonce = requireString(body, "device_nonce", 64);
    requireNonce(nonce);
    std::string status = m_handoffs.cancel(id, nonce);
    res.set_content(json{{"status", status}}.dump(), "application/json");
}

} // namespace velto::server
