#include "RewriteEngine.h"

#include "ApiError.h"

#include <algorithm>

namespace velto::server {

const std::vector<CatalogOption>& RewriteEngine::standardTones()
{
    static const std::vector<CatalogOption> tones = {
        {"grammar_fix", "Default"}, {"professional", "Professional"},
        {"concise", "Concise"},     {"creative", "Creative"},
        {"casual", "Casual"},       {"persuasive", "Persuasive"},
    };
    return tones;
}

const std::vector<CatalogOption>& RewriteEngine::standardLanguages()
{
    static const std::vector<CatalogOption> languages = {
        {"auto", "Auto-detect"}, {"english", "English"}, {"greek", "Greek"},
        {"french", "French"},    {"german", "German"},   {"spanish", "Spanish"},
        {"italian", "Italian"},
    };
    return languages;
}

void RewriteEngine::validate(const RewriteRequest& request) const
{
    auto has = [](const std::vector<CatalogOption>& options, const std::string& id) {
        return std::any_of(options.begin(), options.end(),
                           [&](const CatalogOption& o) { return o.id == id; });
    };
    if (!has(tones(), request.tone)) {
        throw ApiError::badRequest("unknown_tone", "This server does not offer that tone.");
    }
    if (!has(languages(), request.language)) {
        throw ApiError::badRequest(
            "unsupported_language",
            "This server does not offer that language; choose one it offers.");
    }
}

} // namespace velto::server
