#pragma once

#include <QList>
#include <QString>

namespace velto {

// The difference between two texts word by word, white space kept: the unchanged and removed
// pieces concatenate back to the old text exactly, the unchanged and added ones to the new.
class WordDiff
{
public:
    struct Piece
    {
        enum class Kind
        {
            same,
            removed,
            added
        };
        Kind kind = Kind::same;
        QString text;

        bool operator==(const Piece&) const = default;
    };

    // Beyond this many words in the changed middle of both texts, the middle is one removed and
    // one added piece: the comparison grows with the product of the two lengths.
    static constexpr qsizetype maxComparedTokens = 2000;

    // Neighbouring pieces of one kind are merged; a removal comes before the addition it pairs.
    static QList<Piece> compare(const QString& before, const QString& after);

    // Words (letters, digits and their marks), runs of white space, and single other characters
    // (punctuation, an ideograph, an emoji), so a change of one of them does not take its
    // neighbours along.
    static QStringList tokens(const QString& text);
};

} // namespace velto
