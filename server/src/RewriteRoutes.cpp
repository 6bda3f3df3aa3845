#include "RewriteRoutes.h"

namespace velto::server {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

namespace {

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

} // namespace

RewriteRoutes::RewriteRoutes(const ServerOptions& options, RewriteEngine& engine,
                             TokenStore& tokens, RateLimiter& limiter)
    : m_options(options), m_engine(engine), m_tokens(tokens), m_limiter(limiter)
{
}

void RewriteRoutes::install(httplib::Server& http, const routes::Guard& guard)
{
    http.Post("/rewrite", guard([this](const Request& req, Response& res) { rewrite(req, res); }));
    http.Post("/rewrite/stream",
              guard([this](const Request& req, Response& res) { rewriteStream(req, res); }));
}

RewriteRequest RewriteRoutes::parse(const Request& req, std::string& user)
{
    using namespace routes;
    user = requireUser(req, m_tokens);
    if (!m_limiter.allow(user)) {
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
    if (r.text.size() > m_options.maxTextBytes) {
        throw ApiError::tooLarge("The text is too long: at most " +
                                 std::to_string(m_options.maxTextBytes) + " bytes.");
    }
    if (lowerTrimmed(r.text).empty()) {
        throw ApiError::badRequest("empty_text", "No text to rewrite.");
    }
    return r;
}

std::shared_ptr<void> RewriteRoutes::claimStream(const std::string& user)
{
    if (m_options.streamsPerUser <= 0) {
        return nullptr;
    }
    std::lock_guard lock(*m_streamsMutex);
    int& open = (*m_streams)[user];
    if (open >= m_options.streamsPerUser) {
        throw ApiError(429, "too_many_streams",
                       "Too many rewrites at once. Please wait for one to finish.", true);
    }
    ++open;
    // Released when the response lets go of its content provider, however the stream ended.
    return std::shared_ptr<void>(nullptr,
                                 [mutex = m_streamsMutex, streams = m_streams, user](void*) {
                                     std::lock_guard lock(*mutex);
                                     if (--(*streams)[user] == 0) {
                                         streams->erase(user);
                                     }
                                 });
}

void RewriteRoutes::rewrite(const Request& req, Response& res)
{
    std::string user;
    RewriteRequest r = parse(req, user);
    res.set_content(m_engine.rewrite(r), "text/plain; charset=utf-8");
}

void RewriteRoutes::rewriteStream(const Request& req, Response& res)
{
    std::string user;
    RewriteRequest r = parse(req, user);
    // Held through a shared holder, so the slot is free before the stream's last chunk leaves:
    // a client that starts its next stream the moment this one ends is not refused.
    auto slot = std::make_shared<std::shared_ptr<void>>(claimStream(user));
    std::shared_ptr<RewriteStream> stream = m_engine.rewriteStream(r);
    std::string id = routes::requestIdFor(req, res);
    res.set_header("Cache-Control", "no-cache");
    res.set_header("X-Accel-Buffering", "no");
    // Exactly "text/event-stream": cpp-httplib never compresses that type, so every event leaves
    // as its own chunk the moment it is written.
    res.set_chunked_content_provider(
        "text/event-stream", [stream, id, slot](size_t, httplib::DataSink& sink) {
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
            slot->reset();
            sink.done();
            return true;
        });
}

} // namespace velto::server
