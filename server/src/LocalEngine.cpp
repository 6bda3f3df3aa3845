#include "LocalEngine.h"

#include "ApiError.h"

#include <algorithm>
#include <map>

namespace velto::server {

namespace {

enum class Kind
{
    Word,
    Space,
    Newline,
    Punct
};

struct Token
{
    Kind kind;
    std::string text;
};

bool isWordByte(unsigned char c)
{
    // Bytes of multi-byte UTF-8 sequences count as letters: the rules only look at ASCII.
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 0x80;
}

bool isUpper(unsigned char c)
{
    return c >= 'A' && c <= 'Z';
}
bool isLower(unsigned char c)
{
    return c >= 'a' && c <= 'z';
}
bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

std::string normalizeLineEnds(const std::string& in)
{
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        unsigned char c = in[i];
        if (c == '\r') {
            out += '\n';
            if (i + 1 < in.size() && in[i + 1] == '\n') {
                ++i;
            }
        } else if (c == '\t' || (c < 0x20 && c != '\n') || c == 0x7f) {
            out += ' ';
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::vector<Token> tokenize(const std::string& text)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = text[i];
        std::size_t j = i + 1;
        Kind kind;
        if (c == ' ') {
            kind = Kind::Space;
            while (j < text.size() && text[j] == ' ') {
                ++j;
            }
        } else if (c == '\n') {
            kind = Kind::Newline;
            while (j < text.size() && text[j] == '\n') {
                ++j;
            }
        } else if (isWordByte(c)) {
            kind = Kind::Word;
            // An apostrophe between letters stays inside the word: "don't", "i'm".
            while (j < text.size() &&
                   (isWordByte(text[j]) ||
                    (text[j] == '\'' && j + 1 < text.size() && isWordByte(text[j + 1])))) {
                ++j;
            }
        } else {
            kind = Kind::Punct;
        }
        tokens.push_back({kind, text.substr(i, j - i)});
        i = j;
    }
    return tokens;
}

// The word as the rules compare it: ASCII lower case, typographic apostrophe made plain.
std::string key(const std::string& word)
{
    std::string out;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word.compare(i, 3, "\xE2\x80\x99") == 0) {
            out += '\'';
            i += 2;
            continue;
        }
        unsigned char c = word[i];
        out += isUpper(c) ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
    }
    return out;
}

using Phrase = std::vector<std::string>;
using PhraseTable = std::vector<std::pair<Phrase, Phrase>>;

const PhraseTable& toneRules(const std::string& tone)
{
    static const std::map<std::string, PhraseTable> rules = {
        {"concise",
         {{{"actually"}, {}},
          {{"basically"}, {}},
          {{"just"}, {}},
          {{"literally"}, {}},
          {{"really"}, {}},
          {{"simply"}, {}},
          {{"totally"}, {}},
          {{"very"}, {}},
          {{"kind", "of"}, {}},
          {{"sort", "of"}, {}},
          {{"you", "know"}, {}}}},
        {"professional", {{{"don't"}, {"do", "not"}},       {{"doesn't"}, {"does", "not"}},
                          {{"didn't"}, {"did", "not"}},     {{"can't"}, {"cannot"}},
                          {{"won't"}, {"will", "not"}},     {{"isn't"}, {"is", "not"}},
                          {{"aren't"}, {"are", "not"}},     {{"wasn't"}, {"was", "not"}},
                          {{"weren't"}, {"were", "not"}},   {{"haven't"}, {"have", "not"}},
                          {{"hasn't"}, {"has", "not"}},     {{"wouldn't"}, {"would", "not"}},
                          {{"couldn't"}, {"could", "not"}}, {{"shouldn't"}, {"should", "not"}},
                          {{"i'm"}, {"I", "am"}},           {{"you're"}, {"you", "are"}},
                          {{"we're"}, {"we", "are"}},       {{"they're"}, {"they", "are"}},
                          {{"it's"}, {"it", "is"}},         {{"that's"}, {"that", "is"}},
                          {{"there's"}, {"there", "is"}},   {{"i've"}, {"I", "have"}},
                          {{"we've"}, {"we", "have"}},      {{"you've"}, {"you", "have"}},
                          {{"they've"}, {"they", "have"}},  {{"i'll"}, {"I", "will"}},
                          {{"you'll"}, {"you", "will"}},    {{"we'll"}, {"we", "will"}},
                          {{"they'll"}, {"they", "will"}},  {{"let's"}, {"let", "us"}},
                          {{"gonna"}, {"going", "to"}},     {{"wanna"}, {"want", "to"}},
                          {{"gotta"}, {"have", "to"}}}},
        {"casual",
         {{{"do", "not"}, {"don't"}},
          {{"does", "not"}, {"doesn't"}},
          {{"did", "not"}, {"didn't"}},
          {{"cannot"}, {"can't"}},
          {{"will", "not"}, {"won't"}},
          {{"is", "not"}, {"isn't"}},
          {{"are", "not"}, {"aren't"}},
          {{"i", "am"}, {"I'm"}},
          {{"it", "is"}, {"it's"}},
          {{"that", "is"}, {"that's"}},
          {{"we", "are"}, {"we're"}},
          {{"you", "are"}, {"you're"}},
          {{"they", "are"}, {"they're"}},
          {{"let", "us"}, {"let's"}}}},
        {"persuasive",
         {{{"i", "think"}, {}},
          {{"i", "guess"}, {}},
          {{"i", "feel", "like"}, {}},
          {{"maybe"}, {}},
          {{"perhaps"}, {}},
          {{"probably"}, {}}}},
    };
    static const PhraseTable none;
    auto it = rules.find(tone);
    return it == rules.end() ? none : it->second;
}

// Where `phrase` matches at token i (words separated by single spaces), the index after it.
std::optional<std::size_t> matchAt(const std::vector<Token>& t, std::size_t i, const Phrase& phrase)
{
    std::size_t j = i;
    for (std::size_t w = 0; w < phrase.size(); ++w) {
        if (w > 0) {
            if (j >= t.size() || t[j].kind != Kind::Space) {
                return std::nullopt;
            }
            ++j;
        }
        if (j >= t.size() || t[j].kind != Kind::Word || key(t[j].text) != phrase[w]) {
            return std::nullopt;
        }
        ++j;
    }
    return j;
}

std::vector<Token> applyPhrases(const std::vector<Token>& in, const PhraseTable& table)
{
    if (table.empty()) {
        return in;
    }
    std::vector<Token> out;
    for (std::size_t i = 0; i < in.size();) {
        // Only at word starts: the token before must not be a word.
        bool matched = false;
        if (in[i].kind == Kind::Word) {
            for (const auto& [phrase, replacement] : table) {
                auto end = matchAt(in, i, phrase);
                if (!end) {
                    continue;
                }
                bool capital = isUpper(static_cast<unsigned char>(in[i].text[0]));
                for (std::size_t w = 0; w < replacement.size(); ++w) {
                    if (w > 0) {
                        out.push_back({Kind::Space, " "});
                    }
                    std::string word = replacement[w];
                    if (w == 0 && capital && isLower(static_cast<unsigned char>(word[0]))) {
                        word[0] = static_cast<char>(word[0] - 'a' + 'A');
                    }
                    out.push_back({Kind::Word, word});
                }
                i = *end;
                // A dropped filler takes its comma with it: "Basically, it works" -> "it works".
                if (replacement.empty() && i < in.size() && in[i].kind == Kind::Punct &&
                    in[i].text == ",") {
                    ++i;
                }
                matched = true;
                break;
            }
        }
        if (!matched) {
            out.push_back(in[i]);
            ++i;
        }
    }
    return out;
}

std::vector<Token> removeDoubledWords(const std::vector<Token>& in)
{
    static const std::vector<std::string> allowed = {"had", "that"};
    std::vector<Token> out;
    for (const auto& token : in) {
        if (token.kind == Kind::Word && out.size() >= 2 && out.back().kind == Kind::Space &&
            out[out.size() - 2].kind == Kind::Word) {
            std::string a = key(out[out.size() - 2].text);
            std::string b = key(token.text);
            bool alphabetic = std::all_of(a.begin(), a.end(), [](unsigned char c) {
                return isLower(c) || c == '\'' || c >= 0x80;
            });
            if (a == b && alphabetic &&
                std::find(allowed.begin(), allowed.end(), a) == allowed.end()) {
                out.pop_back();
                continue;
            }
        }
        out.push_back(token);
    }
    return out;
}

bool isPunct(const Token& t, const char* chars)
{
    return t.kind == Kind::Punct && std::string(chars).find(t.text[0]) != std::string::npos;
}

bool isDigits(const Token& t)
{
    return t.kind == Kind::Word &&
           std::all_of(t.text.begin(), t.text.end(), [](unsigned char c) { return isDigit(c); });
}

std::vector<Token> fixSpacing(const std::vector<Token>& in)
{
    // Merge neighbouring white space first (removed words leave spaces side by side).
    std::vector<Token> merged;
    for (const auto& t : in) {
        if (!merged.empty() && t.kind == Kind::Space && merged.back().kind == Kind::Space) {
            continue;
        }
        if (!merged.empty() && t.kind == Kind::Newline && merged.back().kind == Kind::Space) {
            merged.back() = t;
            continue;
        }
        if (!merged.empty() && t.kind == Kind::Space && merged.back().kind == Kind::Newline) {
            continue;
        }
        if (!merged.empty() && t.kind == Kind::Newline && merged.back().kind == Kind::Newline) {
            merged.back().text += t.text;
            continue;
        }
        merged.push_back(t);
    }
    while (!merged.empty() &&
           (merged.front().kind == Kind::Space || merged.front().kind == Kind::Newline)) {
        merged.erase(merged.begin());
    }
    while (!merged.empty() &&
           (merged.back().kind == Kind::Space || merged.back().kind == Kind::Newline)) {
        merged.pop_back();
    }

    std::vector<Token> out;
    for (std::size_t i = 0; i < merged.size(); ++i) {
        const Token& t = merged[i];
        const Token* next = i + 1 < merged.size() ? &merged[i + 1] : nullptr;
        if (t.kind == Kind::Space) {
            const bool beforeClosing = next && isPunct(*next, ",.;:!?)]}%");
            const bool afterOpening = !out.empty() && isPunct(out.back(), "([{");
            if (!beforeClosing && !afterOpening) {
                out.push_back({Kind::Space, " "});
            }
            continue;
        }
        // A comma left in front of a full stop (by a dropped "you know") goes.
        if (isPunct(t, ".!?;:") && !out.empty() && isPunct(out.back(), ",")) {
            out.pop_back();
        }
        if (t.kind == Kind::Newline && t.text.size() > 2) {
            out.push_back({Kind::Newline, "\n\n"});
        } else {
            out.push_back(t);
        }
        if (t.kind != Kind::Punct || !next || next->kind != Kind::Word) {
            continue;
        }
        const Token* before = out.size() >= 2 ? &out[out.size() - 2] : nullptr;
        bool space = false;
        char c = t.text[0];
        if (c == ',') {
            // "1,000" keeps its comma.
            space = !(before && isDigits(*before) && isDigits(*next));
        } else if (c == ';' || c == '!' || c == '?') {
            space = true;
        } else if (c == ':' || c == '.') {
            // "10:30", "std::map", "example.com", "3.14" stay; "end.Next" and "note:the" split.
            bool wordBefore = before && before->kind == Kind::Word && !isDigits(*before);
            bool letterAfter = !isDigit(static_cast<unsigned char>(next->text[0]));
            space = wordBefore && letterAfter &&
                    (c == ':' || isUpper(static_cast<unsigned char>(next->text[0])));
        }
        if (space) {
            out.push_back({Kind::Space, " "});
        }
    }
    return out;
}

void capitalize(std::vector<Token>& tokens)
{
    static const std::vector<std::string> abbreviations = {"etc", "vs", "mr", "mrs",
                                                           "ms",  "dr", "st", "no"};
    bool sentenceStart = true;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        Token& t = tokens[i];
        if (t.kind == Kind::Word) {
            std::string k = key(t.text);
            if (k == "i" || k.rfind("i'", 0) == 0) {
                t.text[0] = 'I';
            } else if (sentenceStart && isLower(static_cast<unsigned char>(t.text[0]))) {
                // Leave words with capitals inside ("iPhone") as their author wrote them.
                bool innerCapital = std::any_of(t.text.begin() + 1, t.text.end(),
                                                [](unsigned char c) { return isUpper(c); });
                if (!innerCapital) {
                    t.text[0] = static_cast<char>(t.text[0] - 'a' + 'A');
                }
            }
            sentenceStart = false;
        } else if (t.kind == Kind::Newline) {
            sentenceStart = true;
        } else if (t.kind == Kind::Punct) {
            // A sentence ends only where white space follows: "example.com" goes on.
            bool spaceAfter = i + 1 >= tokens.size() || tokens[i + 1].kind != Kind::Word;
            if (t.text == "!" || t.text == "?") {
                sentenceStart = spaceAfter;
            } else if (t.text == ".") {
                bool ellipsis = i > 0 && tokens[i - 1].text == ".";
                const Token* word =
                    i > 0 && tokens[i - 1].kind == Kind::Word ? &tokens[i - 1] : nullptr;
                // "etc.", "Dr.", and dotted initials such as "e.g." or "U.S."
                bool abbreviation =
                    word && (std::find(abbreviations.begin(), abbreviations.end(),
                                       key(word->text)) != abbreviations.end() ||
                             (word->text.size() == 1 && i >= 2 && tokens[i - 2].text == "."));
                sentenceStart = spaceAfter && !ellipsis && !abbreviation;
            } else if (t.text != "\"" && t.text != "'" && t.text != "(") {
                sentenceStart = false;
            }
        }
        // A space keeps the state: the next word decides.
    }
}

class PieceStream : public RewriteStream
{
public:
    explicit PieceStream(std::vector<std::string> pieces) : m_pieces(std::move(pieces)) {}

    std::optional<std::string> next() override
    {
        if (m_index >= m_pieces.size()) {
            return std::nullopt;
        }
        return m_pieces[m_index++];
    }

private:
    std::vector<std::string> m_pieces;
    std::size_t m_index = 0;
};

std::string trimmed(const std::string& s)
{
    auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) {
        return {};
    }
    auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

} // namespace

std::vector<CatalogOption> LocalEngine::languages() const
{
    return {{"auto", "Auto-detect"}};
}

std::string LocalEngine::cleanUp(const std::string& text, const std::string& tone)
{
    auto tokens = tokenize(normalizeLineEnds(text));
    tokens = applyPhrases(tokens, toneRules(tone));
    tokens = removeDoubledWords(fixSpacing(tokens));
    tokens = fixSpacing(tokens);
    capitalize(tokens);
    std::string out;
    for (const auto& t : tokens) {
        out += t.text;
    }
    return out;
}

std::vector<std::string> LocalEngine::pieces(const std::string& text)
{
    std::vector<std::string> out;
    std::string current;
    bool inSpace = false;
    for (char c : text) {
        bool space = c == ' ' || c == '\n';
        if (!space && inSpace) {
            out.push_back(current);
            current.clear();
        }
        inSpace = space;
        current += c;
    }
    if (!current.empty()) {
        out.push_back(current);
    }
    // A piece reading "[DONE]" would end the client's stream early: send it in two halves.
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (trimmed(out[i]) == "[DONE]") {
            std::size_t cut = out[i].find("[DONE]") + 3;
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(i) + 1, out[i].substr(cut));
            out[i].resize(cut);
            ++i;
        }
    }
    return out;
}

std::string LocalEngine::rewrite(const RewriteRequest& request)
{
    validate(request);
    return cleanUp(request.text, request.tone);
}

std::unique_ptr<RewriteStream> LocalEngine::rewriteStream(const RewriteRequest& request)
{
    return std::make_unique<PieceStream>(pieces(rewrite(request)));
}

} // namespace velto::server
