#include "OpenAIEngine.h"

#include "ApiError.h"
#include "SseDecoder.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

namespace velto::server {

namespace {

using nlohmann::json;

std::string trimmed(const std::string& s)
{
    auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) {
        return {};
    }
    auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// A rewrite is about as long as its text; room for a translation into a wordier script.
std::int64_t maxTokensFor(const RewriteRequest& request)
{
    return static_cast<std::int64_t>(std::min<std::size_t>(request.text.size() / 2 + 256, 32768));
}

std::string requestBody(const std::string& model, const RewriteRequest& request, bool stream)
{
    json body = {
        {"model", model},
        {"stream", stream},
        {"temperature", 0.3},
        {"max_tokens", maxTokensFor(request)},
        {"messages",
         json::array({{{"role", "system"},
                       {"content", OpenAIEngine::systemPrompt(request.tone, request.language)}},
                      {{"role", "user"}, {"content", request.text}}})},
    };
    return body.dump();
}

std::unique_ptr<httplib::Client> makeClient(const std::string& origin, const UpstreamConfig& cfg)
{
    auto client = std::make_unique<httplib::Client>(origin);
    int timeout = std::min(cfg.timeoutSeconds, cfg.maxSeconds);
    client->set_connection_timeout(10);
    client->set_read_timeout(timeout);
    client->set_write_timeout(timeout);
    client->set_decompress(true);
    return client;
}

httplib::Headers makeHeaders(const UpstreamConfig& cfg)
{
    httplib::Headers headers;
    if (!cfg.apiKey.empty()) {
        headers.emplace("Authorization", "Bearer " + cfg.apiKey);
    }
    return headers;
}

ApiError transportError(httplib::Error error)
{
    if (error == httplib::Error::Read || error == httplib::Error::Write) {
        return ApiError::upstream("The rewrite model did not answer in time or the connection "
                                  "broke. Please retry.");
    }
    return ApiError::upstream("The rewrite model could not be reached (" +
                              httplib::to_string(error) + ").");
}

ApiError tooLongError()
{
    return ApiError::upstream("The rewrite model's answer was far longer than the text; it was "
                              "cut off. Please retry.");
}

ApiError tooSlowError()
{
    return ApiError::upstream("The rewrite model did not finish in time. Please retry.");
}

// Bytes on the wire for `text` bytes of answer: JSON escapes and, in a stream, a few hundred
// bytes of framing per delta of a few characters.
std::size_t wholeAnswerLimit(const UpstreamConfig& cfg)
{
    return cfg.maxAnswerText * 6 + 64 * 1024;
}
std::size_t streamLimit(const UpstreamConfig& cfg)
{
    return cfg.maxAnswerText * 64 + 64 * 1024;
}

ApiError statusError(int status)
{
    return ApiError::upstream("The rewrite model answered with status " + std::to_string(status) +
                              ".");
}

// One streamed upstream request, run on its own thread; the pieces wait in a queue until the
// server's response writer pulls them.
class UpstreamStream : public RewriteStream
{
public:
    struct Item
    {
        enum Kind
        {
            Piece,
            Done,
            Failure
        } kind;
        std::string text;
        int status = 502;
    };

    UpstreamStream(std::string origin, std::string path, UpstreamConfig cfg, std::string body)
    {
        m_thread = std::thread([this, origin = std::move(origin), path = std::move(path),
                                cfg = std::move(cfg),
                                body = std::move(body)] { run(origin, path, cfg, body); });
    }

    ~UpstreamStream() override
    {
        m_cancelled = true;
        m_thread.join();
    }

    // Blocks until the first item is there; throws when it is a failure or an empty answer.
    void awaitStart()
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [&] { return !m_items.empty(); });
        const Item& first = m_items.front();
        if (first.kind == Item::Failure) {
            throw ApiError::upstream(first.text);
        }
        if (first.kind == Item::Done) {
            throw ApiError::upstream("The rewrite model returned no text.");
        }
    }

    std::optional<std::string> next() override
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [&] { return !m_items.empty(); });
        Item item = m_items.front();
        if (item.kind == Item::Piece) {
            m_items.pop_front();
            return item.text;
        }
        if (item.kind == Item::Done) {
            return std::nullopt;
        }
        throw ApiError::upstream(item.text);
    }

private:
    void push(Item item)
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_ended) {
                return;
            }
            m_ended = item.kind != Item::Piece;
            m_items.push_back(std::move(item));
        }
        m_cv.notify_all();
    }

    void run(const std::string& origin, const std::string& path, const UpstreamConfig& cfg,
             const std::string& body)
    {
        try {
            auto client = makeClient(origin, cfg);
            httplib::Request req;
            req.method = "POST";
            req.path = path;
            req.headers = makeHeaders(cfg);
            req.headers.emplace("Content-Type", "application/json");
            req.headers.emplace("Accept", "text/event-stream");
            req.body = body;
            int status = 0;
            bool sawDone = false;
            bool sawFinish = false;
            std::size_t received = 0;
            std::size_t relayed = 0;
            const auto deadline =
                std::chrono::steady_clock::now() + std::chrono::seconds(cfg.maxSeconds);
            SseDecoder decoder;
            req.response_handler = [&](const httplib::Response& r) {
                status = r.status;
                return r.status >= 200 && r.status < 300;
            };
            auto handle = [&](const std::vector<SseEvent>& events) {
                for (const auto& e : events) {
                    if (trimmed(e.data) == "[DONE]") {
                        sawDone = true;
                        return false;
                    }
                    json chunk = json::parse(e.data, nullptr, false);
                    if (chunk.is_discarded() || !chunk.is_object()) {
                        continue;
                    }
                    if (chunk.contains("error")) {
                        push({Item::Failure, "The rewrite model reported an error.", 502});
                        return false;
                    }
                    if (!chunk.contains("choices") || !chunk["choices"].is_array() ||
                        chunk["choices"].empty()) {
                        continue;
                    }
                    const json& choice = chunk["choices"][0];
                    if (choice.contains("delta") && choice["delta"].is_object()) {
                        const json& content = choice["delta"].value("content", json());
                        if (content.is_string() && !content.get<std::string>().empty()) {
                            relayed += content.get_ref<const std::string&>().size();
                            if (relayed > cfg.maxAnswerText) {
                                push({Item::Failure, tooLongError().message()});
                                return false;
                            }
                            push({Item::Piece, content.get<std::string>()});
                        }
                    }
                    if (choice.contains("finish_reason") && !choice["finish_reason"].is_null()) {
                        sawFinish = true;
                    }
                }
                return true;
            };
            req.content_receiver = [&](const char* data, size_t length, uint64_t, uint64_t) {
                if (m_cancelled) {
                    return false;
                }
                received += length;
                if (received > streamLimit(cfg)) {
                    push({Item::Failure, tooLongError().message()});
                    return false;
                }
                if (std::chrono::steady_clock::now() > deadline) {
                    push({Item::Failure, tooSlowError().message()});
                    return false;
                }
                return handle(decoder.feed(std::string_view(data, length)));
            };
            auto result = client->send(req);
            if (!sawDone && result) {
                handle(decoder.finish());
            }
            if (sawDone || (result && sawFinish)) {
                push({Item::Done, {}});
            } else if (status != 0 && (status < 200 || status >= 300)) {
                push({Item::Failure, statusError(status).message()});
            } else if (!result) {
                push({Item::Failure, transportError(result.error()).message()});
            } else {
                push({Item::Failure, "The rewrite model's stream ended unexpectedly."});
            }
        } catch (const std::exception&) {
            push({Item::Failure, "The rewrite model's answer could not be read."});
        }
    }

    std::atomic<bool> m_cancelled{false};
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Item> m_items;
    bool m_ended = false;
    std::thread m_thread;
};

} // namespace

OpenAIEngine::OpenAIEngine(UpstreamConfig config) : m_config(std::move(config))
{
    const std::string& url = m_config.url;
    auto scheme = url.find("://");
    if (scheme == std::string::npos || url.empty()) {
        throw std::invalid_argument("upstream URL must look like http://host:port/v1");
    }
    auto slash = url.find('/', scheme + 3);
    m_origin = url.substr(0, slash);
    m_path = slash == std::string::npos ? std::string() : url.substr(slash);
    while (!m_path.empty() && m_path.back() == '/') {
        m_path.pop_back();
    }
    const std::string suffix = "/chat/completions";
    if (m_path.size() < suffix.size() ||
        m_path.compare(m_path.size() - suffix.size(), suffix.size(), suffix) != 0) {
        m_path += suffix;
    }
}

std::string OpenAIEngine::systemPrompt(const std::string& tone, const std::string& language)
{
    std::string style;
    if (tone == "professional") {
        style = "Rewrite it in a clear, polite, professional tone suitable for work.";
    } else if (tone == "concise") {
        style = "Rewrite it to be concise: remove filler words and redundancy, keep every fact.";
    } else if (tone == "creative") {
        style = "Rewrite it in a vivid, creative style while keeping its meaning.";
    } else if (tone == "casual") {
        style = "Rewrite it in a relaxed, friendly, casual tone.";
    } else if (tone == "persuasive") {
        style = "Rewrite it to be confident and persuasive, without hedging.";
    } else {
        style = "Fix its grammar, spelling and punctuation; keep the author's wording and tone.";
    }
    std::string target = "Answer in the language of the text.";
    for (const auto& option : standardLanguages()) {
        if (option.id == language && language != "auto") {
            target = "Answer in " + option.title + ", translating the text if needed.";
        }
    }
    return "You rewrite the text the user sends. " + style + " " + target +
           " Reply with the rewritten text only: no preamble, no quotes, no explanation.";
}

std::string OpenAIEngine::rewrite(const RewriteRequest& request)
{
    validate(request);
    auto client = makeClient(m_origin, m_config);
    httplib::Request req;
    req.method = "POST";
    req.path = m_path;
    req.headers = makeHeaders(m_config);
    req.headers.emplace("Content-Type", "application/json");
    req.body = requestBody(m_config.model, request, false);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(m_config.maxSeconds);
    std::string body;
    std::optional<ApiError> cutOff;
    req.content_receiver = [&](const char* data, size_t length, uint64_t, uint64_t) {
        if (body.size() + length > wholeAnswerLimit(m_config)) {
            cutOff = tooLongError();
        } else if (std::chrono::steady_clock::now() > deadline) {
            cutOff = tooSlowError();
        } else {
            body.append(data, length);
        }
        return !cutOff;
    };
    auto result = client->send(req);
    if (cutOff) {
        throw *cutOff;
    }
    if (!result) {
        throw transportError(result.error());
    }
    if (result->status < 200 || result->status >= 300) {
        throw statusError(result->status);
    }
    json answer = json::parse(body, nullptr, false);
    try {
        std::string text =
            answer.at("choices").at(0).at("message").at("content").get<std::string>();
        if (trimmed(text).empty()) {
            throw ApiError::upstream("The rewrite model returned no text.");
        }
        if (text.size() > m_config.maxAnswerText) {
            throw tooLongError();
        }
        return trimmed(text);
    } catch (const json::exception&) {
        throw ApiError::upstream("The rewrite model's answer could not be read.");
    }
}

std::unique_ptr<RewriteStream> OpenAIEngine::rewriteStream(const RewriteRequest& request)
{
    validate(request);
    auto stream = std::make_unique<UpstreamStream>(m_origin, m_path, m_config,
                                                   requestBody(m_config.model, request, true));
    stream->awaitStart();
    return stream;
}

} // namespace velto::server
