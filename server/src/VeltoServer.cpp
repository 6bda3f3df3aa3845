#include "VeltoServer.h"

#include "ApiError.h"
#include "Crypto.h"
#include "DatabaseUnavailable.h"
#include "SignInPage.h"

#include <chrono>
#include <ctime>
#include <iostream>

namespace velto::server {

namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

const char* const kRequestIdHeader = "X-Request-Id";

// When the current request of this worker thread began; requests on one connection are served
// one after the other by one thread, so a thread-local is enough.
thread_local std::chrono::steady_clock::time_point tlsRequestStart;
thread_local bool tlsRequestStarted = false;

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

// The request's own id when it sent a usable one, else a new one; stored on the answer.
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

json parseObject(const Request& req)
{
    json body = json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        throw ApiError::invalidJson();
    }
    return body;
}

std::optional<std::string> optionalString(const json& body, const char* name,
                                          std::size_t maxLength = 256)
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

std::string requireString(const json& body, const char* name, std::size_t maxLength = 256)
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

// One server-sent event; a line feed inside the data becomes a second "data:" line.
std::string sseEvent(const std::string& data, const char* name = nullptr)
{
    std::string out;
    if (name) {
        out += "event: ";
        out += name;
        out += '\n';
    }
    std::size_t start = 0;
    while (true) {
        auto nl = data.find('\n', start);
        out += "data: ";
        out += data.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        out += '\n';
        if (nl == std::string::npos) {
            break;
        }
        start = nl + 1;
    }
    out += '\n';
    return out;
}

json catalogJson(const std::vector<CatalogOption>& options)
{
    json list = json::array();
    for (const auto& o : options) {
        list.push_back({{"id", o.id}, {"title", o.title}});
    }
    return list;
}

std::string utcNow()
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

void setPageHeaders(Response& res)
{
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Frame-Options", "DENY");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'");
}

void sendPage(Response& res, int status, const std::string& html)
{
    setPageHeaders(res);
    res.status = status;
    res.set_content(html, "text/html; charset=utf-8");
}

} // namespace

VeltoServer::VeltoServer(ServerOptions options, std::unique_ptr<RewriteEngine> engine, Clock clock)
    : options_(std::move(options)), engine_(std::move(engine)), clock_(std::move(clock)),
      connections_(options_.threads, options_.listenBacklog, options_.clientTimeoutSeconds)
{
    crypto::initialize();
    db_ = Database::open(options_.database, options_.dataDir, options_.databasePool);
    rewriteLimiter_ = RateLimiter::create(options_.rewriteRatePerMinute, *db_, "rewrite", clock_);
    authLimiter_ = RateLimiter::create(options_.authRatePerMinute, *db_, "auth", clock_);
    accounts_ = std::make_unique<AccountStore>(*db_, clock_);
    tokens_ = std::make_unique<TokenStore>(*db_, clock_, options_.accessTokenLifetime);
    handoffs_ = std::make_unique<HandoffStore>(*db_, clock_, options_.handoffLifetime);
    logSink_ = [](const std::string& line) { std::cerr << line << std::endl; };
    installRoutes();
}

VeltoServer::~VeltoServer()
{
    stop();
}

void VeltoServer::setLogSink(std::function<void(const std::string&)> sink)
{
    logSink_ = std::move(sink);
}

void VeltoServer::log(const std::string& line)
{
    std::lock_guard lock(logMutex_);
    if (logSink_) {
        logSink_(line);
    }
}

int VeltoServer::bind()
{
    port_ = connections_.bind(http_, options_.host, options_.port);
    return port_;
}

void VeltoServer::listen()
{
    http_.listen_after_bind();
}

void VeltoServer::stop()
{
    if (http_.is_running()) {
        http_.stop();
    }
}

std::string VeltoServer::publicUrl() const
{
    if (!options_.publicUrl.empty()) {
        return options_.publicUrl;
    }
    std::string host = options_.host;
    if (host.find(':') != std::string::npos) {
        host = "[" + host + "]";
    } else if (host == "0.0.0.0") {
        host = "127.0.0.1";
    }
    return "http://" + host + ":" + std::to_string(port_);
}

VeltoServer::Handler VeltoServer::guarded(Handler handler)
{
    return [this, handler = std::move(handler)](const Request& req, Response& res) {
        try {
            handler(req, res);
        } catch (const ApiError& e) {
            writeError(req, res, e);
        } catch (const DatabaseUnavailable& e) {
            // The cause goes to the log; the client hears only that a retry may work.
            log("velto-server: database unavailable on " + req.path + ": " + e.what());
            res.set_header("Retry-After", "1");
            if (req.path == "/signin") {
                // The browser shows the sign-in page's answers: a page, not a JSON body.
                sendPage(res, 503,
                         SignInPage::message("Sign-in unavailable",
                                             "The server cannot reach its database right now. "
                                             "Reload this page in a few seconds."));
                return;
            }
            writeError(req, res, ApiError::databaseUnavailable());
        }
    };
}

void VeltoServer::installRoutes()
{
    connections_.configure(http_);
    // JSON may escape a character into six bytes; the text limit itself is checked per request.
    http_.set_payload_max_length(options_.maxTextBytes * 6 + 4096);

    http_.set_pre_routing_handler([this](const Request& req, Response& res) {
        tlsRequestStart = std::chrono::steady_clock::now();
        tlsRequestStarted = true;
        requestIdFor(req, res);
        connections_.yieldWhenBusy(res);
        return httplib::Server::HandlerResponse::Unhandled;
    });

    http_.set_error_handler(
        httplib::Server::HandlerWithResponse([](const Request& req, Response& res) {
            std::string id = requestIdFor(req, res);
            if (!res.body.empty()) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            ApiError error(res.status, "http_error", "The request failed.");
            switch (res.status) {
            case 404:
                error = ApiError::notFound("No such endpoint.");
                break;
            case 405:
                error = ApiError(405, "method_not_allowed", "Method not allowed.");
                break;
            case 413:
                error = ApiError::tooLarge("The request body is too large.");
                break;
            case 414:
                error = ApiError(414, "uri_too_long", "The request URI is too long.");
                break;
            case 400:
                error = ApiError::badRequest("bad_request", "The request is malformed.");
                break;
            default:
                if (res.status >= 500) {
                    error = ApiError(res.status, "internal_error", "The server failed.", true);
                }
            }
            res.set_content(error.toJson(id).dump(), "application/json");
            return httplib::Server::HandlerResponse::Handled;
        }));

    http_.set_exception_handler([this](const Request& req, Response& res, std::exception_ptr ep) {
        std::string what = "unknown";
        try {
            std::rethrow_exception(ep);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        // The exception text comes from our own code or SQLite, never from the request body.
        log("velto-server: internal error on " + req.path + ": " + what);
        writeError(req, res, ApiError(500, "internal_error", "The server failed.", true));
    });

    http_.set_logger([this](const Request& req, const Response& res) {
        std::string elapsed = "-";
        if (tlsRequestStarted) {
            std::chrono::duration<double, std::milli> ms =
                std::chrono::steady_clock::now() - tlsRequestStart;
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.1fms", ms.count());
            elapsed = buf;
            tlsRequestStarted = false;
        }
        // Path only: the query may hold a handoff id and nonce; bodies and headers hold tokens,
        // passwords and the user's text, none of which is ever logged.
        log(utcNow() + " " + req.method + " " + req.path + " " + std::to_string(res.status) + " " +
            elapsed + " rid=" + res.get_header_value(kRequestIdHeader));
    });

    auto bindHandler = [this](void (VeltoServer::*member)(const Request&, Response&)) {
        return guarded(
            [this, member](const Request& req, Response& res) { (this->*member)(req, res); });
    };
    http_.Get("/health", bindHandler(&VeltoServer::handleHealth));
    http_.Get("/config", bindHandler(&VeltoServer::handleConfig));
    http_.Post("/rewrite", bindHandler(&VeltoServer::handleRewrite));
    http_.Post("/rewrite/stream", bindHandler(&VeltoServer::handleRewriteStream));
    http_.Post("/auth/handoff/start", bindHandler(&VeltoServer::handleHandoffStart));
    http_.Get("/auth/handoff/poll", bindHandler(&VeltoServer::handleHandoffPoll));
    http_.Post("/auth/handoff/exchange", bindHandler(&VeltoServer::handleHandoffExchange));
    http_.Post("/auth/handoff/cancel", bindHandler(&VeltoServer::handleHandoffCancel));
    http_.Get("/signin", bindHandler(&VeltoServer::handleSignInPage));
    http_.Post("/signin", bindHandler(&VeltoServer::handleSignInForm));
    http_.Post("/auth/v1/token", bindHandler(&VeltoServer::handleRefresh));
}

std::string VeltoServer::requireUser(const Request& req)
{
    std::string header = req.get_header_value("Authorization");
    const std::size_t schemeLength = 7; // "Bearer "
    if (header.size() <= schemeLength || lowerTrimmed(header.substr(0, 6)) != "bearer" ||
        header[6] != ' ') {
        throw ApiError::unauthorized("A bearer access token is required.");
    }
    std::string token = header.substr(schemeLength);
    auto user = tokens_->userForAccessToken(token);
    if (!user) {
        throw ApiError::unauthorized("The access token is invalid or has expired.");
    }
    return *user;
}

void VeltoServer::limitAuth(const Request& req)
{
    if (!authLimiter_->allow(req.remote_addr)) {
        throw ApiError::rateLimited();
    }
}

void VeltoServer::handleHealth(const Request&, Response& res)
{
    // A load balancer takes a replica whose database does not answer out of rotation.
    bool databaseUp = db_->ping();
    res.status = databaseUp ? 200 : 503;
    res.set_content(json{{"status", databaseUp ? "ok" : "unavailable"},
                         {"database", databaseUp ? "ok" : "unavailable"},
                         {"store", db_->kind()},
                         {"engine", engine_->name()},
                         {"signin", options_.signin}}
                        .dump(),
                    "application/json");
}

void VeltoServer::handleConfig(const Request& req, Response& res)
{
    requireUser(req);
    json body = {
        {"tones", catalogJson(engine_->tones())},
        {"languages", catalogJson(engine_->languages())},
        {"defaults", {{"tone", "grammar_fix"}, {"language", "auto"}}},
    };
    res.set_content(body.dump(), "application/json");
}

RewriteRequest VeltoServer::parseRewrite(const Request& req)
{
    std::string user = requireUser(req);
    if (!rewriteLimiter_->allow(user)) {
        throw ApiError::rateLimited();
    }
    json body = parseObject(req);
    RewriteRequest r;
    r.text = requireString(body, "text", std::string::npos);
    r.tone = lowerTrimmed(optionalString(body, "tone", 64).value_or("grammar_fix"));
    r.language = lowerTrimmed(optionalString(body, "language", 64).value_or("auto"));
    if (r.tone.empty()) {
        r.tone = "grammar_fix";
    }
    if (r.language.empty()) {
        r.language = "auto";
    }
    if (r.text.size() > options_.maxTextBytes) {
        throw ApiError::tooLarge("The text is too long: at most " +
                                 std::to_string(options_.maxTextBytes) + " bytes.");
    }
    if (lowerTrimmed(r.text).empty()) {
        throw ApiError::badRequest("empty_text", "No text to rewrite.");
    }
    return r;
}

void VeltoServer::handleRewrite(const Request& req, Response& res)
{
    RewriteRequest r = parseRewrite(req);
    res.set_content(engine_->rewrite(r), "text/plain; charset=utf-8");
}

void VeltoServer::handleRewriteStream(const Request& req, Response& res)
{
    RewriteRequest r = parseRewrite(req);
    std::shared_ptr<RewriteStream> stream = engine_->rewriteStream(r);
    std::string id = requestIdFor(req, res);
    res.set_header("Cache-Control", "no-cache");
    res.set_header("X-Accel-Buffering", "no");
    // Exactly "text/event-stream": cpp-httplib never compresses that type, so every event leaves
    // as its own chunk the moment it is written.
    res.set_chunked_content_provider(
        "text/event-stream", [stream, id](size_t, httplib::DataSink& sink) {
            auto send = [&](const std::string& event) {
                return sink.write(event.data(), event.size());
            };
            try {
                while (auto piece = stream->next()) {
                    if (!send(sseEvent(*piece))) {
                        return false;
                    }
                }
                send(sseEvent("[DONE]"));
            } catch (const ApiError& e) {
                send(sseEvent(e.toJson(id).dump(), "error"));
            } catch (const std::exception&) {
                send(sseEvent(
                    ApiError(500, "internal_error", "The server failed.", true).toJson(id).dump(),
                    "error"));
            }
            sink.done();
            return true;
        });
}

void VeltoServer::handleHandoffStart(const Request& req, Response& res)
{
    limitAuth(req);
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
    Handoff h = handoffs_->start(nonce, client, version, provider, failReason);
    json answer = {
        {"handoff_id", h.id},
        {"login_url", publicUrl() + "/signin?handoff_id=" + h.id},
        {"expires_in_seconds", handoffs_->lifetime()},
        {"poll_interval_ms", options_.pollIntervalMs},
    };
    res.set_content(answer.dump(), "application/json");
}

void VeltoServer::handleHandoffPoll(const Request& req, Response& res)
{
    limitAuth(req);
    std::string id = requireParam(req, "handoff_id");
    std::string nonce = requireParam(req, "device_nonce");
    requireNonce(nonce);
    PollAnswer answer = handoffs_->poll(id, nonce);
    json body = {{"status", answer.status}};
    if (answer.reason) {
        body["reason"] = *answer.reason;
    }
    if (answer.exchangeCode) {
        body["exchange_code"] = *answer.exchangeCode;
    }
    res.set_content(body.dump(), "application/json");
}

json VeltoServer::sessionJson(const IssuedTokens& tokens)
{
    auto account = accounts_->find(tokens.userId);
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

void VeltoServer::handleHandoffExchange(const Request& req, Response& res)
{
    limitAuth(req);
    json body = parseObject(req);
    std::string id = requireString(body, "handoff_id");
    std::string nonce = requireString(body, "device_nonce", 64);
    std::string code = requireString(body, "exchange_code");
    requireNonce(nonce);
    std::string user = handoffs_->exchange(id, nonce, code);
    res.set_content(sessionJson(tokens_->issue(user)).dump(), "application/json");
}

void VeltoServer::handleHandoffCancel(const Request& req, Response& res)
{
    limitAuth(req);
    json body = parseObject(req);
    std::string id = requireString(body, "handoff_id");
    std::string nonce = requireString(body, "device_nonce", 64);
    requireNonce(nonce);
    std::string status = handoffs_->cancel(id, nonce);
    res.set_content(json{{"status", status}}.dump(), "application/json");
}

bool VeltoServer::explainUnusableHandoff(const std::optional<Handoff>& handoff, Response& res)
{
    if (!handoff) {
        sendPage(res, 404,
                 SignInPage::message("Sign-in link not valid",
                                     "This sign-in link is not valid. Start the sign-in again "
                                     "from Velto."));
        return true;
    }
    if (handoff->status == "pending") {
        return false;
    }
    if (handoff->reason == "expired") {
        sendPage(res, 410,
                 SignInPage::message("Sign-in link expired",
                                     "This sign-in link has expired. Start the sign-in again "
                                     "from Velto."));
    } else if (handoff->reason == "unsupported_provider") {
        sendPage(res, 400,
                 SignInPage::message("Sign-in method not offered",
                                     "This server offers sign-in with e-mail only, not with \"" +
                                         handoff->provider +
                                         "\". Choose e-mail sign-in in Velto and try again."));
    } else {
        sendPage(res, 409,
                 SignInPage::message("Sign-in link already used",
                                     "This sign-in link was already used or cancelled. Start "
                                     "the sign-in again from Velto if you need to."));
    }
    return true;
}

void VeltoServer::handleSignInPage(const Request& req, Response& res)
{
    std::string id = req.get_param_value("handoff_id");
    auto handoff = id.empty() ? std::nullopt : handoffs_->find(id);
    if (explainUnusableHandoff(handoff, res)) {
        return;
    }
    if (options_.signin == "local") {
        sendPage(res, 200, SignInPage::localForm(id, options_.localEmail));
    } else {
        sendPage(res, 200, SignInPage::passwordForm(id, "", ""));
    }
}

void VeltoServer::handleSignInForm(const Request& req, Response& res)
{
    if (!authLimiter_->allow(req.remote_addr)) {
        res.set_header("Retry-After", std::to_string(authLimiter_->retryAfterSeconds()));
        sendPage(res, 429,
                 SignInPage::message("Too many attempts",
                                     "Too many sign-in attempts. Wait a minute and try again."));
        return;
    }
    httplib::Params form;
    httplib::detail::parse_query_text(req.body, form);
    auto field = [&](const char* name) {
        auto it = form.find(name);
        return it == form.end() ? std::string() : it->second;
    };
    std::string id = field("handoff_id");
    std::string action = field("action");
    auto handoff = id.empty() ? std::nullopt : handoffs_->find(id);
    if (explainUnusableHandoff(handoff, res)) {
        return;
    }
    if (action == "cancel") {
        handoffs_->fail(id, "access_denied");
        sendPage(res, 200,
                 SignInPage::message("Sign-in cancelled",
                                     "Sign-in was cancelled. You can close this tab."));
        return;
    }
    if (action != "continue") {
        sendPage(res, 400, SignInPage::message("Sign-in failed", "The form was not understood."));
        return;
    }
    std::optional<Account> account;
    if (options_.signin == "local") {
        // Defence in depth: local mode only ever listens on loopback (checked at start-up).
        if (!ServerOptions::isLoopback(req.remote_addr) && req.remote_addr != "::ffff:127.0.0.1") {
            sendPage(res, 403,
                     SignInPage::message("Sign-in refused",
                                         "Local sign-in works only from this computer."));
            return;
        }
        account = accounts_->localAccount(options_.localEmail);
    } else {
        std::string email = field("email");
        account = accounts_->verifyPassword(lowerTrimmed(email), field("password"));
        if (!account) {
            sendPage(res, 401, SignInPage::passwordForm(id, email, "Wrong e-mail or password."));
            return;
        }
    }
    if (!handoffs_->complete(id, account->id)) {
        explainUnusableHandoff(handoffs_->find(id), res);
        return;
    }
    sendPage(res, 200,
             SignInPage::message("Signed in", "You are signed in to Velto as " + account->email +
                                                  ". You can close this tab and return to Velto."));
}

void VeltoServer::handleRefresh(const Request& req, Response& res)
{
    limitAuth(req);
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
    res.set_content(sessionJson(tokens_->rotate(refresh)).dump(), "application/json");
}

} // namespace velto::server
