#include "VeltoServer.h"

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
using routes::requestIdFor;
using routes::writeError;

// When the current request of this worker thread began; requests on one connection are served
// one after the other by one thread, so a thread-local is enough.
thread_local std::chrono::steady_clock::time_point tlsRequestStart;
thread_local bool tlsRequestStarted = false;

std::string utcNow()
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

} // namespace

VeltoServer::VeltoServer(ServerOptions options, std::unique_ptr<RewriteEngine> engine, Clock clock)
    : options_(std::move(options)), engine_(std::move(engine)), clock_(std::move(clock)),
      hostCheck_(options_),
      connections_(options_.threads, options_.listenBacklog, options_.clientTimeoutSeconds,
                   options_.requestTimeoutSeconds, options_.connectionsPerAddress),
      http_(connections_)
{
    crypto::initialize();
    db_ = Database::open(options_.database, options_.dataDir, options_.databasePool);
    rewriteLimiter_ = RateLimiter::create(options_.rewriteRatePerMinute, *db_, "rewrite", clock_);
    authLimiter_ = RateLimiter::create(options_.authRatePerMinute, *db_, "auth", clock_);
    accounts_ = std::make_unique<AccountStore>(*db_, clock_, options_.passwordChecks);
    tokens_ = std::make_unique<TokenStore>(*db_, clock_, options_.accessTokenLifetime,
                                           options_.refreshTokenLifetime);
    handoffs_ = std::make_unique<HandoffStore>(*db_, clock_, options_.handoffLifetime);
    logSink_ = [](const std::string& line) { std::cerr << line << std::endl; };
    serviceRoutes_ = std::make_unique<ServiceRoutes>(options_, *db_, *engine_, *tokens_);
    rewriteRoutes_ =
        std::make_unique<RewriteRoutes>(options_, *engine_, *tokens_, *rewriteLimiter_);
    handoffRoutes_ = std::make_unique<HandoffRoutes>(options_, *handoffs_, *tokens_, *accounts_,
                                                     *authLimiter_, [this] { return publicUrl(); });
    signInRoutes_ = std::make_unique<SignInRoutes>(options_, *handoffs_, *accounts_, *authLimiter_);
    tokenRoutes_ = std::make_unique<TokenRoutes>(options_, *tokens_, *accounts_, *authLimiter_);
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
    std::string escaped = escapeForLog(line);
    std::lock_guard lock(logMutex_);
    if (logSink_) {
        logSink_(escaped);
    }
}

std::string VeltoServer::escapeForLog(const std::string& line)
{
    // A path is percent-decoded: "%0a" would start a forged line of the log, and other
    // control bytes could move a terminal's cursor.
    std::string out;
    out.reserve(line.size());
    for (unsigned char c : line) {
        if (c < 0x20 || c == 0x7f || c == '\\') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int VeltoServer::bind()
{
    port_ = connections_.bind(http_, options_.host, options_.port);
    return port_;
}

bool VeltoServer::listen()
{
    return http_.listen_after_bind();
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

routes::Handler VeltoServer::guarded(routes::Handler handler)
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
                routes::sendPage(
                    res, 503,
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
        if (auto refusal = hostCheck_.refusal(req)) {
            if (req.path == "/signin") {
                routes::sendPage(res, refusal->status(),
                                 SignInPage::message("Sign-in refused", refusal->message()));
            } else {
                writeError(req, res, *refusal);
            }
            return httplib::Server::HandlerResponse::Handled;
        }
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
            elapsed + " rid=" + res.get_header_value("X-Request-Id"));
    });

    routes::Guard guard = [this](routes::Handler handler) { return guarded(std::move(handler)); };
    serviceRoutes_->install(http_, guard);
    rewriteRoutes_->install(http_, guard);
    handoffRoutes_->install(http_, guard);
    signInRoutes_->install(http_, guard);
    tokenRoutes_->install(http_, guard);
}

} // namespace velto::server
