// The local engine's clean-up rules, one row per rule, and its word-sized stream pieces.

#include "LocalEngine.h"
#include "ApiError.h"
#include "server/support/ServerFixture.h"

#include <QtTest>

using namespace velto::server;
using velto::server::testing::q;
using velto::server::testing::row;

class LocalEngineTest : public QObject
{
    Q_OBJECT

private slots:
    void cleansUpText_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("tone");
        QTest::addColumn<QString>("expected");
        const char* g = "grammar_fix";
        row("the README example", "this  is a test .", g, "This is a test.");
        row("space before a comma moves after it", "hello ,world", g, "Hello, world");
        row("lone i and its contractions", "yes i think i'm right and i've said it", g,
            "Yes I think I'm right and I've said it");
        row("doubled word", "the the cat sat on on the mat", g, "The cat sat on the mat");
        row("doubled word across case", "The the end", g, "The end");
        row("had had stays", "we had had enough", g, "We had had enough");
        row("missing space after a full stop", "it ended.Next one", g, "It ended. Next one");
        row("domains stay", "visit example.com today", g, "Visit example.com today");
        row("numbers stay", "it costs 1,000 at 10:30 or 3.5 ( really )", g,
            "It costs 1,000 at 10:30 or 3.5 (really)");
        row("sentence starts", "what?yes!ok. fine", g, "What? Yes! Ok. Fine");
        row("abbreviations do not end sentences", "see e.g. this one", g, "See e.g. this one");
        row("ellipsis does not end a sentence", "well... maybe", g, "Well... maybe");
        row("words with inner capitals stay", "iPhone sales rose", g, "iPhone sales rose");
        row("line ends, blank lines and trailing spaces",
            "first line  \r\nsecond\tline\n\n\n\nthird  ", g, "First line\nSecond line\n\nThird");
        row("non-ASCII text passes through", "ça va ,très bien", g, "ça va, très bien");
        row("creative is the clean-up only", "i  like it", "creative", "I like it");
        row("concise drops filler words",
            "Basically, I just really think it is very good, you know.", "concise",
            "I think it is good.");
        row("concise drops kind of", "it is kind of slow", "concise", "It is slow");
        row("professional expands contractions", "i'm sure we can't go, don't worry",
            "professional", "I am sure we cannot go, do not worry");
        row("professional keeps the capital", "Don't go, it's gonna rain", "professional",
            "Do not go, it is going to rain");
        row("professional reads typographic apostrophes", "we don\u2019t know", "professional",
            "We do not know");
        row("casual contracts", "I am sure it is not done. we do not care", "casual",
            "I'm sure it's not done. We don't care");
        row("persuasive drops hedges", "I think maybe we should probably launch", "persuasive",
            "We should launch");
    }

    void cleansUpText()
    {
        QFETCH(QString, input);
        QFETCH(QString, tone);
        QFETCH(QString, expected);
        QCOMPARE(q(LocalEngine::cleanUp(input.toStdString(), tone.toStdString())), expected);
    }

    void piecesAreWordsWithTheirTrailingSpace()
    {
        auto pieces = LocalEngine::pieces("This is a test.\n\nNext");
        QCOMPARE(pieces, (std::vector<std::string>{"This ", "is ", "a ", "test.\n\n", "Next"}));
        // No piece may read as the end of the stream.
        std::string joined;
        for (const auto& p : LocalEngine::pieces("[DONE] said [DONE]")) {
            QVERIFY(p != "[DONE]" && p != "[DONE] ");
            joined += p;
        }
        QCOMPARE(q(joined), QString("[DONE] said [DONE]"));
    }

    void offersOnlyAutoAndRefusesOtherLanguages()
    {
        LocalEngine engine;
        QCOMPARE(engine.languages().size(), std::size_t(1));
        QCOMPARE(q(engine.languages()[0].id), QString("auto"));
        try {
            engine.rewrite({"hello", "grammar_fix", "german"});
            QFAIL("no error");
        } catch (const ApiError& e) {
            QCOMPARE(e.status(), 400);
            QCOMPARE(q(e.code()), QString("unsupported_language"));
        }
    }
};

QTEST_GUILESS_MAIN(LocalEngineTest)
#include "LocalEngineTest.moc"
