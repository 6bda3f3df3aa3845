#pragma once

#include "RewriteEngine.h"

namespace velto::server {

struct UpstreamConfig
{
    // Base URL of an OpenAI-compatible API ("http://127.0.0.1:11434/v1"); "/chat/completions"
    // is appended unless the URL already ends with it.
    std::string url;
    std::string model;
    // Sent as "Authorization: Bearer ..." when not empty. Comes from the environment only.
    std::string apiKey;
    int timeoutSeconds = 60;
    // The most text one answer may bring; an upstream that goes on beyond it is cut off with a
    // retryable error, so it can neither fill the server's memory nor the client's.
    std::size_t maxAnswerText = 256 * 1024;
    // The longest one rewrite may take from the request to the last byte of the answer.
    int maxSeconds = 120;
};

// Rewrites through any OpenAI-compatible chat-completions endpoint: one system prompt per tone
// and target language, the user's text as the user message. Upstream failures become 502
// errors with retryable true (or a failure of the stream once it has started).
class OpenAIEngine : public RewriteEngine
{
public:
    explicit OpenAIEngine(UpstreamConfig config);

    std::string name() const override { return "openai"; }
    std::vector<CatalogOption> languages() const override { return standardLanguages(); }
    std::string rewrite(const RewriteRequest& request) override;
    std::unique_ptr<RewriteStream> rewriteStream(const RewriteRequest& request) override;

    static std::string systemPrompt(const std::string& tone, const std::string& language);

private:
    UpstreamConfig m_config;
    std::string m_origin; // scheme://host[:port]
    std::string m_path;   // .../chat/completions
};

} // namespace velto::server
