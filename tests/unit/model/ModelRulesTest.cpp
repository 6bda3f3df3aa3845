#include "fakes/model/RecordingLogSink.h"
#include "model/AppBuildConfig.h"
#include "model/AppBuildConfigError.h"
#include "model/ClientLogger.h"
#include "model/PresentableError.h"
#include "model/ShortcutKeys.h"
#include "support/TestRegistry.h"

#include <QMetaEnum>
#include <QTest>

using namespace velto;

namespace {

QVariantMap validTable()
{
    return {{"API_BASE_URL", "https://api.example.test/v1/"},
            {"SUPABASE_URL", "https://auth.example.test"},
            {"SUPABASE_ANON_KEY", "anon-key"},
            {"AUTH_PROVIDER", "email"}};
}

// The error a table gives, or the provider it loads with.
QString loadResult(const std::optional<QVariantMap>& table)
{
    try {
        return "loaded with " + AppBuildConfig::load(table).authProvider;
    } catch (const AppError& error) {
        return error.description();
    }
}

QStringList allKeys()
{
    QStringList ids;
    for (const ShortcutKeyOption& key : ShortcutKeys::availableShortcutKeys())
        ids << key.id;
    return ids;
}

} // namespace

// The model's pure rules: build configuration, shortcut parsing, failure wording, log lines.
class ModelRulesTest : public QObject
{
    Q_OBJECT

private slots:
    // An invalid QVariant in `changes` removes the key.
    void buildConfigurationReportsTheFirstFaultInCheckOrder_data()
    {
        QTest::addColumn<QVariantMap>("changes");
        QTest::addColumn<QString>("result");
        const QString missing = "Missing required build configuration: ";
        const QString invalid = "Invalid URL in build configuration: ";
        const QVariant gone;
        QTest::newRow("everything missing") << QVariantMap{{"API_BASE_URL", gone},
                                                           {"SUPABASE_URL", gone},
                                                           {"SUPABASE_ANON_KEY", gone}}
                                            << missing + "API_BASE_URL";
        QTest::newRow("blank base URL is missing, not invalid")
            << QVariantMap{{"API_BASE_URL", "   \n"}, {"SUPABASE_URL", "nonsense"}}
            << missing + "API_BASE_URL";
        QTest::newRow("base URL without scheme")
            << QVariantMap{{"API_BASE_URL", "localhost"}} << invalid + "API_BASE_URL";
        QTest::newRow("base URL with empty authority")
            << QVariantMap{{"API_BASE_URL", "https://"}} << invalid + "API_BASE_URL";
        QTest::newRow("host:port is a scheme, not a host")
            << QVariantMap{{"API_BASE_URL", "localhost:8787"}} << invalid + "API_BASE_URL";
        QTest::newRow("supabase URL checked after the base URL")
            << QVariantMap{{"SUPABASE_URL", "no host here"}, {"SUPABASE_ANON_KEY", gone}}
            << invalid + "SUPABASE_URL";
        QTest::newRow("anon key missing")
            << QVariantMap{{"SUPABASE_ANON_KEY", gone}} << missing + "SUPABASE_ANON_KEY";
        QTest::newRow("non-string value counts as missing")
            << QVariantMap{{"SUPABASE_URL", true}} << missing + "SUPABASE_URL";
        QTest::newRow("number counts as missing")
            << QVariantMap{{"SUPABASE_ANON_KEY", 42}} << missing + "SUPABASE_ANON_KEY";
        QTest::newRow("any scheme with a host passes")
            << QVariantMap{{"API_BASE_URL", "gopher://host"}} << "loaded with email";
        // The provider word is trimmed and lower-cased; anything unknown reads as google.
        const std::pair<QVariant, const char*> providers[] = {
            {" Apple ", "apple"}, {"EMAIL", "email"}, {"google", "google"}, {"", "google"},
            {"github", "google"}, {gone, "google"},   {true, "google"}};
        for (const auto& [word, provider] : providers)
            QTest::addRow("provider [%s]", word.isValid() ? qPrintable(word.toString()) : "absent")
                << QVariantMap{{"AUTH_PROVIDER", word}}
                << QStringLiteral("loaded with ") + provider;
    }

    void buildConfigurationReportsTheFirstFaultInCheckOrder()
    {
        QFETCH(QVariantMap, changes);
        QVariantMap table = validTable();
        for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
            if (it.value().isValid())
                table.insert(it.key(), it.value());
            else
                table.remove(it.key());
        }
        QTEST(loadResult(table), "result");
    }

    void buildConfigurationValuesAreTrimmedAndNormalised()
    {
        QCOMPARE(loadResult(std::nullopt), "Missing required build configuration: API_BASE_URL");
        try {
            AppBuildConfig::load(std::nullopt);
            QFAIL("loaded without a table");
        } catch (const AppError& error) {
            QVERIFY(error.is(AppBuildConfigError::domain, AppBuildConfigError::missingKeyCode));
        }
        QVariantMap table = validTable();
        table["API_BASE_URL"] = "  https://api.example.test/v1/\n";
        table["SUPABASE_URL"] = "\tHTTPS://Auth.Example.test ";
        table["SUPABASE_ANON_KEY"] = "  key with inner space \n";
        const AppBuildConfig config = AppBuildConfig::load(table, AppRuntimeMode::debug);
        QCOMPARE(config.runtimeMode, AppRuntimeMode::debug);
        QCOMPARE(config.apiBaseURL, QUrl("https://api.example.test/v1/"));
        QCOMPARE(config.supabaseURL, "https://auth.example.test");
        QCOMPARE(config.supabaseAnonKey, "key with inner space");

        // The table built into the binary loads and carries the version.
        QCOMPARE(AppBuildConfig::buildTimeTable().value("CFBundleShortVersionString").toString(),
                 QStringLiteral(VELTO_TEST_VERSION));
        QVERIFY(AppBuildConfig::load().apiBaseURL.isValid());
        QVERIFY(!AppBuildConfig::load().supabaseAnonKey.isEmpty());
    }

    // "+x": x with Shift; "": rejected.
    void shortcutsTypedByTheUserAreParsed_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("parsed");
        const std::pair<const char*, const char*> rows[] = {{"⌘L", "l"},
                                                            {"⌘⇧L", "+l"},
                                                            {"⇧⌘L", "+l"},
                                                            {"Cmd+L", "l"},
                                                            {"cmd-l", "l"},
                                                            {"CMD_L", "l"},
                                                            {"Command L", "l"},
                                                            {"Cmd+Shift+L", "+l"},
                                                            {"command shift l", "+l"},
                                                            {"shift+cmd+a", "+a"},
                                                            {"  \t⌘R \n", "r"},
                                                            {"⌥⌘L", "l"},
                                                            {"Cmd+F5", "f"},
                                                            {"Super+L", "l"},
                                                            {"Super+Shift+L", "+l"},
                                                            {"Meta+L", "l"},
                                                            {"Win+L", "l"},
                                                            {"super shift w", "+w"},
                                                            {"Meta+M", "m"},
                                                            {"Super", ""},
                                                            {"Super+Alt+L", ""},
                                                            {"L", ""},
                                                            {"Cmd", ""},
                                                            {"Cmd+Shift", ""},
                                                            {"Cmd+LL", ""},
                                                            {"Cmd+Option+L", ""},
                                                            {"Ctrl+Cmd+L", ""},
                                                            {"Cmd+1", ""},
                                                            {"Cmd+", ""},
                                                            {"Cmd+é", ""},
                                                            {"", ""}};
        for (const auto& [input, parsed] : rows)
            QTest::addRow("[%s]", input) << QString(input) << QString(parsed);
    }

    void shortcutsTypedByTheUserAreParsed()
    {
        QFETCH(QString, input);
        const auto parsed = ShortcutKeys::parseShortcutInput(input, allKeys());
        QTEST(parsed ? (parsed->requiresShift ? "+" : "") + parsed->keyID : QString(), "parsed");
    }

    void shortcutKeysCodesAndDisplay()
    {
        QVERIFY(!ShortcutKeys::parseShortcutInput("Cmd+Q", {"l", "r"})); // only the given keys
        QVERIFY(ShortcutKeys::parseShortcutInput("Cmd+R", {"l", "r"}));
        const std::pair<QString, QString> stored[] = {
            {"K", "k"}, {" k \n", "k"}, {"1", "l"}, {"", "l"}, {"enter", "l"}};
        for (const auto& [key, normalised] : stored)
            QCOMPARE(key + " -> " + ShortcutKeys::normalizedShortcutKey(key),
                     key + " -> " + normalised);
        QCOMPARE(ShortcutKeys::keyCode("z"), 6);
        QCOMPARE(ShortcutKeys::keyCode("l"), 37);
        QCOMPARE(ShortcutKeys::keyCode("?"), 37);
        QCOMPARE(ShortcutKeys::display("r", true), QStringLiteral("Super+Shift+R"));
        QCOMPARE(ShortcutKeys::display("nope", false), QStringLiteral("Super+L"));
        // The field shows what the parser reads back.
        QCOMPARE(ShortcutKeys::parseShortcutInput(ShortcutKeys::display("w", true), allKeys()),
                 (ParsedShortcut{"w", true}));
        // Every letter once, in order: the X11 adapter maps codes back through these ids.
        QCOMPARE(allKeys().join(QString()), "abcdefghijklmnopqrstuvwxyz");
    }

    // Expected: "title | message | style".
    void failuresArePresentedByTheirWords_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("presented");
        const QString network = "Network issue | Velto couldn't reach the rewrite service. Check "
                                "your connection and try again. | warning";
        const QString account = "Account required | Your session is no longer valid. Sign in "
                                "again from Setup to continue. | warning";
        const QString unexpected = "Rewrite failed | The rewrite service returned an unexpected "
                                   "response. Please try again in a moment. | error";
        const std::pair<const char*, QString> rows[] = {
            {"The request timed out.", network},
            {"network error while refreshing token", network},
            {"Please sign in first.", account},
            {"Not AUTHORIZED", account},
            {"Server returned an Invalid Response.", unexpected},
            {"Rewrite stream ended unexpectedly.", unexpected},
            {"  Quota exceeded \n", "Rewrite failed | Quota exceeded | error"},
            {" \n ", "Rewrite failed | Something went wrong. Please try again. | error"}};
        for (const auto& [description, presented] : rows)
            QTest::addRow("[%s]", description) << QString(description) << presented;
    }

    void failuresArePresentedByTheirWords()
    {
        QFETCH(QString, description);
        const PresentableError p = PresentableError::from(description, "Rewrite failed");
        const char* style = QMetaEnum::fromType<UserNoticeStyle>().valueToKey(int(p.style));
        QTEST(p.title + " | " + p.message + " | " + style, "presented");
    }

    void logLinesCarryTheirLevelAndAreCutWhole()
    {
        auto sink = std::make_shared<RecordingLogSink>();
        const auto previous = ClientLogger::setSink(sink);
        ClientLogger::info(u"rewrite started");
        ClientLogger::warning(u"hotkey unavailable: ", u"unknown");
        ClientLogger::error(u"rewrite failed: ", u"The request timed out.");
        QCOMPARE(sink->lines.size(), 3);
        QVERIFY(sink->contains(LogLevel::info, "rewrite started"));
        QVERIFY(sink->contains(LogLevel::warning, "hotkey unavailable: unknown"));
        QVERIFY(sink->contains(LogLevel::error, "rewrite failed: The request timed out."));

        // A long detail is cut without splitting a character; 240 characters are kept whole.
        const QString a239(239, QChar('a'));
        ClientLogger::error(u"rewrite failed: ", a239 + "😀" + QString(50, QChar('b')));
        QCOMPARE(sink->lines.last().message, "rewrite failed: " + a239 + QChar(0x2026));
        ClientLogger::error(u"auth polling failed: ", QString(240, QChar('c')));
        QCOMPARE(sink->lines.last().message, "auth polling failed: " + QString(240, QChar('c')));

        sink->enabledLevels = 1 << int(LogLevel::error); // disabled levels write nothing
        sink->lines.clear();
        ClientLogger::info(u"quick panel opened");
        ClientLogger::warning(u"failed to fetch /config: ", u"x");
        ClientLogger::error(u"auth polling failed: ", u"y");
        QCOMPARE(sink->lines.size(), 1);
        ClientLogger::setSink(previous);
    }
};

VELTO_REGISTER_TEST(ModelRulesTest);
#include "ModelRulesTest.moc"
