#include "model/ShortcutKeys.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;

class ShortcutKeysTest : public QObject
{
    Q_OBJECT

    static QStringList allKeys()
    {
        QStringList ids;
        for (const ShortcutKeyOption& key : ShortcutKeys::availableShortcutKeys())
            ids << key.id;
        return ids;
    }

private slots:
    void parsesTypedShortcuts_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("key"); // empty: rejected
        QTest::addColumn<bool>("shift");

        QTest::newRow("⌘L") << "⌘L"
                            << "l" << false;
        QTest::newRow("⌘⇧L") << "⌘⇧L"
                             << "l" << true;
        QTest::newRow("⇧⌘L") << "⇧⌘L"
                             << "l" << true;
        QTest::newRow("Cmd+L") << "Cmd+L"
                               << "l" << false;
        QTest::newRow("cmd-l") << "cmd-l"
                               << "l" << false;
        QTest::newRow("CMD_L") << "CMD_L"
                               << "l" << false;
        QTest::newRow("Command L") << "Command L"
                                   << "l" << false;
        QTest::newRow("Cmd+Shift+L") << "Cmd+Shift+L"
                                     << "l" << true;
        QTest::newRow("command shift l") << "command shift l"
                                         << "l" << true;
        QTest::newRow("shift+cmd+a") << "shift+cmd+a"
                                     << "a" << true;
        QTest::newRow("surrounding blanks") << "  \t⌘R \n"
                                            << "r" << false;
        QTest::newRow("option symbol dropped") << "⌥⌘L"
                                               << "l" << false;
        QTest::newRow("digit dropped") << "Cmd+F5"
                                       << "f" << false;
        QTest::newRow("Super+L") << "Super+L"
                                 << "l" << false;
        QTest::newRow("Super+Shift+L") << "Super+Shift+L"
                                       << "l" << true;
        QTest::newRow("Meta+L") << "Meta+L"
                                << "l" << false;
        QTest::newRow("Win+L") << "Win+L"
                               << "l" << false;
        QTest::newRow("super shift w") << "super shift w"
                                       << "w" << true;
        QTest::newRow("Meta+M") << "Meta+M"
                                << "m" << false;
        QTest::newRow("Super only") << "Super"
                                    << "" << false;
        QTest::newRow("Super+Alt+L") << "Super+Alt+L"
                                     << "" << false;
        QTest::newRow("bare letter") << "L"
                                     << "" << false;
        QTest::newRow("command only") << "Cmd"
                                      << "" << false;
        QTest::newRow("command and shift only") << "Cmd+Shift"
                                                << "" << false;
        QTest::newRow("two letters") << "Cmd+LL"
                                     << "" << false;
        QTest::newRow("option word") << "Cmd+Option+L"
                                     << "" << false;
        QTest::newRow("ctrl word") << "Ctrl+Cmd+L"
                                   << "" << false;
        QTest::newRow("digit only") << "Cmd+1"
                                    << "" << false;
        QTest::newRow("trailing plus") << "Cmd+"
                                       << "" << false;
        QTest::newRow("accented letter") << "Cmd+é"
                                         << "" << false;
        QTest::newRow("empty") << ""
                               << "" << false;
    }

    void parsesTypedShortcuts()
    {
        QFETCH(QString, input);
        QFETCH(QString, key);
        QFETCH(bool, shift);
        const std::optional<ParsedShortcut> parsed =
            ShortcutKeys::parseShortcutInput(input, allKeys());
        if (key.isEmpty()) {
            QVERIFY2(!parsed, qPrintable(parsed ? parsed->keyID : QString()));
        } else {
            QVERIFY(parsed);
            QCOMPARE(parsed->keyID, key);
            QCOMPARE(parsed->requiresShift, shift);
        }
    }

    void parserOnlyAcceptsValidKeys()
    {
        QVERIFY(!ShortcutKeys::parseShortcutInput("Cmd+Q", {"l", "r"}));
        QVERIFY(ShortcutKeys::parseShortcutInput("Cmd+R", {"l", "r"}));
    }

    void storedIdentifiersAreRepaired_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("normalised");
        QTest::newRow("K") << "K"
                           << "k";
        QTest::newRow(" k ") << " k \n"
                             << "k";
        QTest::newRow("digit") << "1"
                               << "l";
        QTest::newRow("empty") << ""
                               << "l";
        QTest::newRow("word") << "enter"
                              << "l";
    }

    void storedIdentifiersAreRepaired()
    {
        QFETCH(QString, stored);
        QFETCH(QString, normalised);
        QCOMPARE(ShortcutKeys::normalizedShortcutKey(stored), normalised);
    }

    void keyCodesAndDisplay()
    {
        QCOMPARE(ShortcutKeys::keyCode("z"), 6);
        QCOMPARE(ShortcutKeys::keyCode("l"), 37);
        QCOMPARE(ShortcutKeys::keyCode("?"), 37);
        QCOMPARE(ShortcutKeys::display("r", true), QStringLiteral("Super+Shift+R"));
        QCOMPARE(ShortcutKeys::display("l", false), QStringLiteral("Super+L"));
        QCOMPARE(ShortcutKeys::display("nope", false), QStringLiteral("Super+L"));
        // The field shows what the parser reads back.
        QCOMPARE(ShortcutKeys::parseShortcutInput(ShortcutKeys::display("w", true), allKeys()),
                 (ParsedShortcut{"w", true}));
        // Every letter once, in order: the X11 adapter maps codes back through these ids.
        QCOMPARE(allKeys().join(QString()), "abcdefghijklmnopqrstuvwxyz");
    }
};

VELTO_REGISTER_TEST(ShortcutKeysTest);
#include "ShortcutKeysTest.moc"
