#include "ui/WordDiff.h"

#include <optional>
#include <vector>

namespace velto {

namespace {

enum class TokenClass
{
    space,
    word,
    single
};

bool isIdeographic(char32_t c)
{
    switch (QChar::script(c)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Thai:
        return true;
    default:
        return false;
    }
}

TokenClass classOf(char32_t c)
{
    if (QChar::isSpace(c))
        return TokenClass::space;
    if (QChar::isLetterOrNumber(c) && !isIdeographic(c))
        return TokenClass::word;
    return TokenClass::single;
}

bool isJoiner(char32_t c)
{
    // Combining marks, variation selectors and the zero-width joiner stay with the character
    // before them: an accent or an emoji sequence is never cut apart.
    return QChar::isMark(c) || c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F);
}

void append(QList<WordDiff::Piece>& pieces, WordDiff::Piece::Kind kind, const QString& text)
{
    if (text.isEmpty())
        return;
    if (!pieces.isEmpty() && pieces.last().kind == kind)
        pieces.last().text += text;
    else
        pieces.append({kind, text});
}

} // namespace

QStringList WordDiff::tokens(const QString& text)
{
    QStringList result;
    QString current;
    std::optional<TokenClass> currentClass;
    bool afterJoiner = false;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype start = i;
        char32_t c = text[i++].unicode();
        if (QChar::isHighSurrogate(c) && i < text.size() && text[i].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[i++].unicode());
        const QStringView character = QStringView(text).mid(start, i - start);
        if (!current.isEmpty() && (isJoiner(c) || afterJoiner)) {
            current += character;
            afterJoiner = c == 0x200D;
            continue;
        }
        const TokenClass cls = classOf(c);
        if (!current.isEmpty() && (cls != currentClass || cls == TokenClass::single)) {
            result.append(current);
            current.clear();
        }
        current += character;
        currentClass = cls;
        afterJoiner = false;
    }
    if (!current.isEmpty())
        result.append(current);
    return result;
}

QList<WordDiff::Piece> WordDiff::compare(const QString& before, const QString& after)
{
    const QStringList a = tokens(before);
    const QStringList b = tokens(after);
    qsizetype prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
           a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;

    QList<Piece> pieces;
    append(pieces, Piece::Kind::same, a.mid(0, prefix).join(QString()));
    const QStringList oldMiddle = a.mid(prefix, a.size() - prefix - suffix);
    const QStringList newMiddle = b.mid(prefix, b.size() - prefix - suffix);
    const qsizetype n = oldMiddle.size();
    const qsizetype m = newMiddle.size();

    if (n > maxComparedTokens || m > maxComparedTokens) {
        append(pieces, Piece::Kind::removed, oldMiddle.join(QString()));
        append(pieces, Piece::Kind::added, newMiddle.join(QString()));
    } else {
        // Longest common subsequence, lengths of the suffixes from (i, j) on.
        std::vector<int> lcs(size_t((n + 1) * (m + 1)), 0);
        const auto at = [m](qsizetype i, qsizetype j) { return size_t(i * (m + 1) + j); };
        for (qsizetype i = n - 1; i >= 0; --i) {
            for (qsizetype j = m - 1; j >= 0; --j) {
                lcs[at(i, j)] = oldMiddle[i] == newMiddle[j]
                                    ? lcs[at(i + 1, j + 1)] + 1
                                    : std::max(lcs[at(i + 1, j)], lcs[at(i, j + 1)]);
            }
        }
        // Removed and added words between two unchanged ones are gathered, so the reader sees
        // "old words" then "new words" rather than the two interleaved.
        QString removed;
        QString added;
        const auto flush = [&] {
            append(pieces, Piece::Kind::removed, removed);
            append(pieces, Piece::Kind::added, added);
            removed.clear();
            added.clear();
        };
        qsizetype i = 0;
        qsizetype j = 0;
        while (i < n || j < m) {
            if (i < n && j < m && oldMiddle[i] == newMiddle[j]) {
                flush();
                append(pieces, Piece::Kind::same, oldMiddle[i]);
                ++i;
                ++j;
            } else if (j >= m || (i < n && lcs[at(i + 1, j)] >= lcs[at(i, j + 1)])) {
                removed += oldMiddle[i++];
            } else {
                added += newMiddle[j++];
            }
        }
        flush();
    }
    append(pieces, Piece::Kind::same, a.mid(a.size() - suffix).join(QString()));
    return pieces;
}

} // namespace velto
