#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velto::server {

struct CatalogOption
{
    std::string id;
    std::string title;
};

struct RewriteRequest
{
    std::string text;
    std::string tone;
    std::string language;
};

// The pieces of one streamed rewrite, pulled one at a time. Destroying it abandons the rewrite.
class RewriteStream
{
public:
    virtual ~RewriteStream() = default;

    // The next piece of text, or nothing when the text is complete. Throws ApiError when the
    // rewrite fails midway.
    virtual std::optional<std::string> next() = 0;
};

// Something that rewrites text for a tone and a target language.
class RewriteEngine
{
public:
    virtual ~RewriteEngine() = default;

    virtual std::string name() const = 0;
    virtual std::vector<CatalogOption> tones() const { return standardTones(); }
    virtual std::vector<CatalogOption> languages() const = 0;

    // The whole rewritten text. Throws ApiError (bad input, upstream failure).
    virtual std::string rewrite(const RewriteRequest& request) = 0;

    // Starts a streamed rewrite. Throws ApiError when it cannot start, before any piece exists,
    // so the caller can still answer with an error status.
    virtual std::unique_ptr<RewriteStream> rewriteStream(const RewriteRequest& request) = 0;

    // The client's own tone and language catalogues (same ids and titles).
    static const std::vector<CatalogOption>& standardTones();
    static const std::vector<CatalogOption>& standardLanguages();

    // Checks the tone and language against this engine's catalogues; throws ApiError 400.
    void validate(const RewriteRequest& request) const;
};

} // namespace velto::server
