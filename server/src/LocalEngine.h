#pragma once

#include "RewriteEngine.h"

namespace velto::server {

// The offline engine: a deterministic clean-up, so that Velto works with no model at all.
//
// Every tone: line ends become "\n", runs of spaces and tabs one space, at most one blank line
// between paragraphs; no space before , . ; : ! ? ) and none after ( ; one space after , ; ! ?
// (and after : or . when a word follows that starts a new clause); an accidentally doubled
// word is removed ("the the"); sentence starts and a lone "i" (also "i'm", "i've", ...) are
// capitalised. Then, per tone:
//   concise       drops filler words: actually, basically, just, literally, really, simply,
//                 totally, very, kind of, sort of, you know
//   professional  expands contractions (don't -> do not, can't -> cannot, I'm -> I am, ...)
//                 and slang (gonna -> going to, wanna -> want to, gotta -> have to)
//   casual        contracts the common forms (do not -> don't, I am -> I'm, it is -> it's, ...)
//   persuasive    drops hedges: I think, I guess, I feel like, maybe, perhaps, probably
//   grammar_fix, creative: the clean-up only.
// It cannot translate: its only language is "auto".
class LocalEngine : public RewriteEngine
{
public:
    std::string name() const override { return "local"; }
    std::vector<CatalogOption> languages() const override;
    std::string rewrite(const RewriteRequest& request) override;
    std::unique_ptr<RewriteStream> rewriteStream(const RewriteRequest& request) override;

    static std::string cleanUp(const std::string& text, const std::string& tone);

    // The text cut into word-sized pieces (a word with the white space after it) that
    // concatenate to the text; no piece is "[DONE]" once trimmed.
    static std::vector<std::string> pieces(const std::string& text);
};

} // namespace velto::server
