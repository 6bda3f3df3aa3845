#include "ui/WordDiff.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;

namespace {

using Kind = WordDiff::Piece::Kind;
using Pieces = QList<WordDiff::Piece>;

struct DiffRow
{
    QString before;
    QString after;
    Pieces expected;
};

QString side(const Pieces& pieces, Kind dropped)
{
    QString text;
    for (const WordDiff::Piece& piece : pieces) {
        if (piece.kind != dropped)
            text += piece.text;
    }
    return text;
}

} // namespace

Q_DECLARE_METATYPE(DiffRow)

class WordDiffTest : public QObject
{
    Q_OBJECT

private slots:
    void comparesWordByWord_data()
    {
        QTest::addColumn<DiffRow>("row");
        QTest::newRow("identical")
            << DiffRow{"Hello world", "Hello world", {{Kind::same, "Hello world"}}};
        QTest::newRow("insertion")
            << DiffRow{"the cat sat",
                       "the black cat sat",
                       {{Kind::same, "the "}, {Kind::added, "black "}, {Kind::same, "cat sat"}}};
        QTest::newRow("deletion") << DiffRow{
            "this is really good",
            "this is good",
            {{Kind::same, "this is "}, {Kind::removed, "really "}, {Kind::same, "good"}}};
        QTest::newRow("replacement") << DiffRow{"I has a apple.",
                                                "I have an apple.",
                                                {{Kind::same, "I "},
                                                 {Kind::removed, "has"},
                                                 {Kind::added, "have"},
                                                 {Kind::same, " "},
                                                 {Kind::removed, "a"},
                                                 {Kind::added, "an"},
                                                 {Kind::same, " apple."}}};
        QTest::newRow("punctuation alone") << DiffRow{
            "Hello world", "Hello world!", {{Kind::same, "Hello world"}, {Kind::added, "!"}}};
        QTest::newRow("white space only") << DiffRow{"one  two\nthree",
                                                     "one two three",
                                                     {{Kind::same, "one"},
                                                      {Kind::removed, "  "},
                                                      {Kind::added, " "},
                                                      {Kind::same, "two"},
                                                      {Kind::removed, "\n"},
                                                      {Kind::added, " "},
                                                      {Kind::same, "three"}}};
        QTest::newRow("umlauts stay whole words") << DiffRow{
            "Grüße aus Köln",
            "Grüße aus München",
            {{Kind::same, "Grüße aus "}, {Kind::removed, "Köln"}, {Kind::added, "München"}}};
        QTest::newRow("a combining accent stays with its letter") << DiffRow{
            u"cafe\u0301 noir"_qs,
            "cafe noir",
            {{Kind::removed, u"cafe\u0301"_qs}, {Kind::added, "cafe"}, {Kind::same, " noir"}}};
        QTest::newRow("ideographs one by one")
            << DiffRow{"我喜欢猫",
                       "我喜欢狗",
                       {{Kind::same, "我喜欢"}, {Kind::removed, "猫"}, {Kind::added, "狗"}}};
        QTest::newRow("an emoji sequence is one token") << DiffRow{"Nice 👍🏽 work",
                                                                   "Nice 👩‍💻 work",
                                                                   {{Kind::same, "Nice "},
                                                                    {Kind::removed, "👍🏽"},
                                                                    {Kind::added, "👩‍💻"},
                                                                    {Kind::same, " work"}}};
        QTest::newRow("empty before") << DiffRow{"", "new text", {{Kind::added, "new text"}}};
        QTest::newRow("empty after") << DiffRow{"old text", "", {{Kind::removed, "old text"}}};
        QTest::newRow("both empty") << DiffRow{"", "", {}};
    }
    void comparesWordByWord()
    {
        QFETCH(DiffRow, row);
        const Pieces pieces = WordDiff::compare(row.before, row.after);
        QCOMPARE(pieces, row.expected);
        QCOMPARE(side(pieces, Kind::added), row.before);
        QCOMPARE(side(pieces, Kind::removed), row.after);
    }

    // A selection of tens of thousands of words compares its changed middle as one removal and
    // one addition rather than filling a table of a billion cells; the sides still add up.
    void aLongTextFallsBackToOneRemovalAndOneAddition()
    {
        QStringList oldWords;
        QStringList newWords;
        for (int i = 0; i < 20000; ++i) {
            oldWords << QStringLiteral("w%1").arg(i);
            newWords << QString(i % 7 == 1 ? "x%1" : "w%1").arg(i);
        }
        const QString before = "Start " + oldWords.join(' ') + " end.";
        const QString after = "Start " + newWords.join(' ') + " end.";
        const Pieces pieces = WordDiff::compare(before, after);
        QCOMPARE(pieces.size(), 4);
        QCOMPARE(pieces[0], (WordDiff::Piece{Kind::same, "Start w0 "}));
        QCOMPARE(pieces[1].kind, Kind::removed);
        QCOMPARE(pieces[2].kind, Kind::added);
        QCOMPARE(side(pieces, Kind::added), before);
        QCOMPARE(side(pieces, Kind::removed), after);
    }
};

VELTO_REGISTER_TEST(WordDiffTest);
#include "WordDiffTest.moc"
