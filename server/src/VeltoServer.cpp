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
    : m_options(std::move(options)), m_engine(std::move(engine)), m_clock(std::move(clock)),
      m_hostCheck(m_options),
      m_connections(m_options.threads, m_options.listenBacklog, m_options.clientTimeoutSeconds,
                    m_options.requestTimeoutSeconds, m_options.connectionsPerAddress),
      m_http(m_connections)
{
    crypto::initialize();
    m_db = Database::open(m_options.database, m_options.dataDir, m_options.databasePool);
    m_rewriteLimiter =
        RateLimiter::create(m_options.rewriteRatePerMinute, *m_db, "rewrite", m_clock);
    m_authLimiter = RateLimiter::create(m_options.authRatePerMinute, *m_db, "auth", m_clock);
    m_accounts = std::make_unique<AccountStore>(*m_db, m_clock, m_options.passwordChecks);
    m_tokens = std::make_unique<TokenStore>(*m_db, m_clock, m_options.accessTokenLifetime,
                                            m_options.refreshTokenLifetime);
    m_handoffs = std::make_unique<HandoffStore>(*m_db, m_clock, m_options.handoffLifetime);
    m_logSink = [](const std::string& line) { std::cerr << line << std::endl; };
    m_serviceRoutes = std::make_unique<ServiceRoutes>(m_options, *m_db, *m_engine, *m_tokens);
    m_rewriteRoutes =
        std::make_unique<RewriteRoutes>(m_options, *m_engine, *m_tokens, *m_rewriteLimiter);
    m_handoffRoutes =
        std::make_unique<HandoffRoutes>(m_options, *m_handoffs, *m_tokens, *m_accounts,
                                        *m_authLimiter, [this] { return publicUrl(); });
    m_signInRoutes =
        std::make_unique<SignInRoutes>(m_options, *m_handoffs, *m_accounts, *m_authLimiter);
    m_tokenRoutes =
        std::make_unique<TokenRoutes>(m_options, *m_tokens, *m_accounts, *m_authLimiter);
    installRoutes();
}

VeltoServer::~VeltoServer()
{
    stop();
}

void VeltoServer::setLogSink(std::function<void(const std::string&)> sink)
{
    m_logSink = std::move(sink);
}

void VeltoServer::log(const std::string& line)
{
    std::string escaped = escapeForLog(line);
    std::lock_guard lock(m_logMutex);
    if (m_logSink) {
        m_logSink(escaped);
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
    m_port = m_connections.bind(m_http, m_options.host, m_options.port);
    return m_port;
}

bool VeltoServer::listen()
{
    return m_http.listen_after_bind();
}

void VeltoServer::stop()
{
    if (m_http.is_running()) {
        m_http.stop();
    }
}

std::string VeltoServer::publicUrl() const
{
    if (!m_options.publicUrl.empty()) {
        return m_options.publicUrl;
    }
    std::string host = m_options.host;
    if (host.find(':') != std::string::npos) {
        host = "[" + host + "]";
    } else if (host == "0.0.0.0") {
        host = "127.0.0.1";
    }
    return "http://" + host + ":" + std::to_string(m_port);
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
    m_connections.configure(m_http);
    // JSON may escape a character into six bytes; the text limit itself is checked per request.
    m_http.set_payload_max_length(m_options.maxTextBytes * 6 + 4096);

    m_http.set_pre_routing_handler([this](const Request& req, Response& res) {
        tlsRequestStart = std::chrono::steady_clock::now();
        tlsRequestStarted = true;
        requestIdFor(req, res);
        m_connections.yieldWhenBusy(res);
        if (auto refusal = m_hostCheck.refusal(req)) {
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

    m_http.set_error_handler(
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

    m_http.set_exception_handler([this](const Request& req, Response& res, std::exception_ptr ep) {
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

    m_http.set_logger([this](const Request& req, const Response& res) {
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
    m_serviceRoutes->install(m_http, guard);
    m_rewriteRoutes->install(m_http, guard);
    m_handoffRoutes->install(m_http, guard);
    m_signInRoutes->install(m_http, guard);
    m_tokenRoutes->install(m_http, guard);
}

} // namespace velto::server
