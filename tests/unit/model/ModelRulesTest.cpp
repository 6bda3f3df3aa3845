#include "fakes/model/MemoryPreferences.h"
#include "fakes/model/RecordingLogSink.h"
#include "model/AppBuildConfig.h"
#include "model/AppBuildConfigError.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "model/PresentableError.h"
#include "model/ShortcutKeys.h"
#include "model/UserPreferencesStore.h"
#include "support/TestRegistry.h"

#include <QMetaEnum>
#include <QSignalSpy>
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

struct PresentedRow
{
    AppErrorKind kind = AppErrorKind::other;
    QString description;
    QString title;
    QString message;
    UserNoticeStyle style = UserNoticeStyle::error;
};

QStringList allKeys()
{
    QStringList ids;
    for (const ShortcutKeyOption& key : ShortcutKeys::availableShortcutKeys())
        ids << key.id;
    return ids;
}

struct Fixture
{
    explicit Fixture(QVariantMap stored = {})
        : defaults(std::make_shared<MemoryPreferences>(std::move(stored))), store(defaults),
          model(store, AppBuildConfig{AppRuntimeMode::release, QUrl("https://api.example.test/"),
                                      "https://auth.example.test", "anon", "email"})
    {
    }
    QString stored(const char* key) const { return defaults->values().value(key).toString(); }

    std::shared_ptr<MemoryPreferences> defaults;
    UserPreferencesStore store;
    AppModel model;
};

QList<Option> options(std::initializer_list<const char*> ids)
{
    QList<Option> result;
    for (const char* id : ids)
        result.append(Option{id, QString(id).toUpper()});
    return result;
}

} // namespace

// The model's rules: build configuration, shortcut parsing, failure wording, log lines, and
// how AppModel repairs, ranks and notifies its state.
Q_DECLARE_METATYPE(PresentedRow)

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
        // Each input, grouped by what it reads as.
        const std::pair<const char*, QStringList> groups[] = {
            {"l", {"⌘L", "Cmd+L", "cmd-l", "CMD_L", "Command L", "⌥⌘L"}},
            {"l", {"Super+L", "Meta+L", "Win+L"}},
            {"+l", {"⌘⇧L", "⇧⌘L", "Cmd+Shift+L", "command shift l", "Super+Shift+L"}},
            {"r", {"  \t⌘R \n"}},
            {"+a", {"shift+cmd+a"}},
            {"+w", {"super shift w"}},
            {"m", {"Meta+M"}},
            {"f", {"Cmd+F5"}},
            {"", {"Super", "Super+Alt+L", "L", "Cmd", "Cmd+Shift", "Cmd+LL", "Cmd+Option+L"}},
            {"", {"Ctrl+Cmd+L", "Cmd+1", "Cmd+", "Cmd+é", ""}}};
        for (const auto& [parsed, inputs] : groups)
            for (const QString& input : inputs)
                QTest::addRow("[%s]", qPrintable(input)) << input << QString(parsed);
    }

    void shortcutsTypedByTheUserAreParsed()
    {
        QFETCH(QString, input);
        const auto parsed = ShortcutKeys::parseShortcutInput(input, allKeys());
        QTEST(parsed ? (parsed->requiresShift ? "+" : "") + parsed->keyID : QString(), "parsed");
    }

    void shortcutKeysNormalisationAndDisplay()
    {
        QVERIFY(!ShortcutKeys::parseShortcutInput("Cmd+Q", {"l", "r"})); // only the given keys
        QVERIFY(ShortcutKeys::parseShortcutInput("Cmd+R", {"l", "r"}));
        const std::pair<QString, QString> stored[] = {
            {"K", "k"}, {" k \n", "k"}, {"1", "l"}, {"", "l"}, {"enter", "l"}};
        for (const auto& [key, normalised] : stored)
            QCOMPARE(key + " -> " + ShortcutKeys::normalizedShortcutKey(key),
                     key + " -> " + normalised);
        QCOMPARE(ShortcutKeys::display("r", true), QStringLiteral("Super+Shift+R"));
        QCOMPARE(ShortcutKeys::display("nope", false), QStringLiteral("Super+L"));
        // The field shows what the parser reads back.
        QCOMPARE(ShortcutKeys::parseShortcutInput(ShortcutKeys::display("w", true), allKeys()),
                 (ParsedShortcut{"w", true}));
        // Every letter once, in order.
        QCOMPARE(allKeys().join(QString()), "abcdefghijklmnopqrstuvwxyz");
    }

    void theShortcutCrossesThePortsAsSuperWithTheLettersKey_data()
    {
        QTest::addColumn<QString>("keyID");
        QTest::addColumn<bool>("requiresShift");
        QTest::addColumn<QKeyCombination>("combination");
        const Qt::KeyboardModifiers superShift = Qt::MetaModifier | Qt::ShiftModifier;
        QTest::newRow("a") << "a" << false << QKeyCombination(Qt::MetaModifier, Qt::Key_A);
        QTest::newRow("z with Shift") << "z" << true << QKeyCombination(superShift, Qt::Key_Z);
        QTest::newRow("l with Shift") << "l" << true << QKeyCombination(superShift, Qt::Key_L);
        QTest::newRow("not a letter")
            << "?" << false << QKeyCombination(Qt::MetaModifier, Qt::Key_L);
    }
    void theShortcutCrossesThePortsAsSuperWithTheLettersKey()
    {
        QFETCH(QString, keyID);
        QFETCH(bool, requiresShift);
        QFETCH(QKeyCombination, combination);
        QCOMPARE(ShortcutKeys::combination(keyID, requiresShift), combination);
        // And back to what the preferences keep.
        const std::optional<ParsedShortcut> parsed = ShortcutKeys::parsedShortcut(combination);
        QVERIFY(parsed);
        QCOMPARE(ShortcutKeys::combination(*parsed), combination);
    }

    void combinationsThatAreNoShortcutHaveNoLetter()
    {
        const QKeyCombination notShortcuts[] = {
            QKeyCombination(Qt::ControlModifier, Qt::Key_L),
            QKeyCombination(Qt::MetaModifier | Qt::AltModifier, Qt::Key_L),
            QKeyCombination(Qt::MetaModifier | Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_L),
            QKeyCombination(Qt::NoModifier, Qt::Key_L),
            QKeyCombination(Qt::MetaModifier, Qt::Key_1),
            QKeyCombination(Qt::MetaModifier, Qt::Key_unknown)};
        for (const QKeyCombination combination : notShortcuts)
            QVERIFY2(!ShortcutKeys::parsedShortcut(combination),
                     qPrintable(QString::number(combination.toCombined(), 16)));
    }

    void failuresArePresentedByTheirKind_data()
    {
        QTest::addColumn<PresentedRow>("row");
        const QString network = "Velto couldn't reach the rewrite service. Check your connection "
                                "and try again.";
        const QString account =
            "Your session is no longer valid. Sign in again from Setup to continue.";
        const QString unexpected = "The rewrite service returned an unexpected response. Please "
                                   "try again in a moment.";
        const auto warning = UserNoticeStyle::warning;
        const auto error = UserNoticeStyle::error;
        auto add = [](const char* name, PresentedRow row) { QTest::newRow(name) << row; };
        // The kind decides; the description is not read for its words.
        add("network",
            {AppErrorKind::network, "Please sign in first.", "Network issue", network, warning});
        add("session", {AppErrorKind::session, "The request timed out.", "Account required",
                        account, warning});
        add("unexpected response", {AppErrorKind::unexpectedResponse, "Quota exceeded",
                                    "Rewrite failed", unexpected, error});
        add("other, trimmed", {AppErrorKind::other, "  Login timed out. Please try again. \n",
                               "Rewrite failed", "Login timed out. Please try again.", error});
        add("other, blank", {AppErrorKind::other, " \n ", "Rewrite failed",
                             "Something went wrong. Please try again.", error});
    }

    void failuresArePresentedByTheirKind()
    {
        QFETCH(PresentedRow, row);
        const PresentableError p =
            PresentableError::from(row.kind, row.description, "Rewrite failed");
        QCOMPARE(p.title, row.title);
        QCOMPARE(p.message, row.message);
        QCOMPARE(p.style, row.style);
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
    // tone, language, key as stored -> as repaired, read and written back
    void storedChoicesAreRepairedAndWrittenBack_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("repaired");
        QTest::newRow("padded capitals")
            << QStringList{" Concise ", "GERMAN", " R"} << QStringList{"concise", "german", "r"};
        QTest::newRow("unknown") << QStringList{"shouty", "klingon", "F5"}
                                 << QStringList{"grammar_fix", "auto", "l"};
    }

    void storedChoicesAreRepairedAndWrittenBack()
    {
        QFETCH(QStringList, stored);
        Fixture f({{"settings_schema_version", 5},
                   {"tone", stored[0]},
                   {"language", stored[1]},
                   {"shortcutKey", stored[2]}});
        QTEST((QStringList{f.model.toneID(), f.model.languageID(), f.model.shortcutKeyID()}),
              "repaired");
        QTEST((QStringList{f.stored("tone"), f.stored("language"), f.stored("shortcutKey")}),
              "repaired");
    }

    void statusRulesTakeTheFirstThatHolds()
    {
        Fixture f;
        AppModel& m = f.model;
        QCOMPARE(m.uiStatus(), UIStatus::signInRequired());
        QCOMPARE(m.setupCompletedSteps(), 0);
        m.setAuthState(AuthState::signedIn("a@b.c"));
        QCOMPARE(m.uiStatus(), UIStatus::ready());

        m.setRewriteState(RewriteState::failed("  "));
        QCOMPARE(m.uiStatus(), UIStatus::error("Rewrite failed."));
        m.setAuthState(AuthState::signedOut());
        QCOMPARE(m.uiStatus(), UIStatus::error("Rewrite failed.")); // a failure outranks sign-in
        m.setRewriteState(RewriteState::failed("\n Timed out \t"));
        QCOMPARE(m.uiStatus(), UIStatus::error("Timed out"));

        m.setStatusError("  Server down \n");
        QCOMPARE(m.uiStatus(), UIStatus::error("Server down")); // status error outranks failure
        m.setStatusError("   ");
        QCOMPARE(m.uiStatus(), UIStatus::error("Timed out"));

        m.setStatusError("again");
        m.setPermissionState(true, false);
        QCOMPARE(m.uiStatus(), UIStatus::permissionRequired());

        m.setRewriteState(RewriteState::running());
        QCOMPARE(m.uiStatus(), UIStatus::rewriting()); // running outranks everything
        m.setRewriteState(RewriteState::succeeded());
        QCOMPARE(m.uiStatus(), UIStatus::permissionRequired());

        m.setPermissionState(true, true);
        QCOMPARE(m.uiStatus(), UIStatus::signInRequired()); // running cleared the status error
        m.setAuthState(AuthState::signingIn());
        QCOMPARE(m.uiStatus(), UIStatus::signInRequired());
        m.setAuthState(AuthState::signedIn(std::nullopt));
        QCOMPARE(m.uiStatus(), UIStatus::ready());
        QCOMPARE(m.setupCompletedSteps(), 3);
    }

    void aTakenShortcutIsSaidAndTheFirstFreeOneOffered()
    {
        Fixture f;
        AppModel& m = f.model;
        m.setAuthState(AuthState::signedIn(std::nullopt));
        SessionCapabilities session;
        session.shortcutRoute = GlobalShortcutRoute::keyGrab;
        session.pasteReplacement = true;
        m.setCapabilities(session);
        QCOMPARE(m.uiStatus(), UIStatus::ready());
        QCOMPARE(m.freeShortcut(),
                 (ParsedShortcut{ShortcutKeys::defaultKeyID, ShortcutKeys::defaultRequiresShift}));

        // Refused by the session: the default itself is taken, so the next candidate is offered.
        session.shortcutTaken = true;
        m.setCapabilities(session);
        QVERIFY(m.shortcutTaken());
        QCOMPARE(m.inputMonitoringGranted(), std::optional<bool>(false));
        QCOMPARE(m.uiStatus(), UIStatus::permissionRequired());
        QCOMPARE(m.freeShortcut(), (ParsedShortcut{"a", true}));

        // Held by the desktop: known before any grab, and it follows the user's combination.
        session.shortcutTaken = false;
        session.unavailableShortcuts = {{"l", false}, {"a", true}};
        m.setCapabilities(session);
        QVERIFY(!m.shortcutTaken());
        m.chooseShortcut("l", false);
        QVERIFY(m.shortcutTaken());
        QCOMPARE(m.uiStatus(), UIStatus::permissionRequired());
        QCOMPARE(m.freeShortcut(), (ParsedShortcut{"l", true}));
        m.chooseShortcut("l", true);
        QVERIFY(!m.shortcutTaken());
        QCOMPARE(m.uiStatus(), UIStatus::ready());

        // Every combination held: nothing to offer.
        for (bool shift : {true, false})
            for (const ShortcutKeyOption& key : ShortcutKeys::availableShortcutKeys())
                session.unavailableShortcuts.append({key.id, shift});
        m.setCapabilities(session);
        QCOMPARE(m.freeShortcut(), std::nullopt);
    }

    void theFlagsFollowTheSessionRoutes()
    {
        struct Row
        {
            GlobalShortcutRoute shortcut;
            bool accessibility;
            bool paste;
            bool shortcutWorks;
            bool replacementWorks;
        };
        using R = GlobalShortcutRoute;
        const Row rows[] = {
            {R::keyGrab, false, true, true, true},
            {R::desktopPortal, true, false, true, true},
            {R::desktopCustomShortcut, true, false, true, true},
            {R::unavailable, true, true, false, true},
            {R::keyGrab, false, false, true, false},
        };
        for (const Row& row : rows) {
            Fixture f;
            SessionCapabilities session;
            session.shortcutRoute = row.shortcut;
            session.accessibilityReplacement = row.accessibility;
            session.pasteReplacement = row.paste;
            f.model.setCapabilities(session);
            QCOMPARE(f.model.inputMonitoringGranted(), std::optional<bool>(row.shortcutWorks));
            QCOMPARE(f.model.accessibilityGranted(), std::optional<bool>(row.replacementWorks));
        }
    }

    void serverCatalogueKeepsTheChoiceOrFallsBack()
    {
        Fixture f;
        // The user's choice is kept case-insensitively, and stays as the user wrote it.
        f.model.setToneID("casual");
        f.model.applyServerConfig(options({"Casual", "formal"}), options({"auto"}), "formal",
                                  "auto");
        QCOMPARE(f.model.toneID(), "casual");
        // The catalogue id has capitals, so the exact-match title lookup falls back.
        QCOMPARE(f.model.currentToneTitle(), "Default");
        QCOMPARE(f.stored("tone"), "casual");

        // Otherwise the server's default, then its first entry, unchanged in case.
        f.model.setToneID("persuasive");
        f.model.applyServerConfig(options({"Brief", "warm"}), {}, "warm", "auto");
        QCOMPARE(f.model.toneID(), "warm");
        f.model.setToneID("persuasive");
        f.model.applyServerConfig(options({"Brief", "warm"}), {}, "missing", "auto");
        QCOMPARE(f.model.toneID(), "Brief");
        QCOMPARE(f.model.selectedToneID(), "brief");
        QCOMPARE(f.model.availableLanguages(), AppModel::builtInLanguages());

        // An empty catalogue brings the built-in ones back.
        f.model.applyServerConfig(options({"x"}), options({"y"}), "x", "y");
        QCOMPARE(f.model.languageID(), "y");
        f.model.applyServerConfig({}, {}, "grammar_fix", "auto");
        QCOMPARE(f.model.availableTones(), AppModel::builtInTones());
        QCOMPARE(f.model.availableLanguages(), AppModel::builtInLanguages());
        QCOMPARE(f.model.languageID(), "auto");
        f.model.applyServerConfig(options({"x"}), {}, "x", "auto");
        f.model.resetToFallbackCatalog();
        QCOMPARE(f.model.toneID(), "grammar_fix");
        QCOMPARE(f.model.currentLanguageTitle(), "Auto-detect");
    }

    void everyAssignmentNotifiesEvenWhenEqual()
    {
        Fixture f;
        const char* watched[] = {
            SIGNAL(toneIDChanged()),           SIGNAL(selectedToneIDChanged()),
            SIGNAL(currentToneTitleChanged()), SIGNAL(uiStatusChanged()),
            SIGNAL(authStateChanged()),        SIGNAL(setupCompletedStepsChanged()),
            SIGNAL(shortcutDisplayChanged())};
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (const char* signal : watched)
            spies.push_back(std::make_unique<QSignalSpy>(&f.model, signal));
        const int writesBefore = f.defaults->writes();

        f.model.setToneID(f.model.toneID());
        f.model.setAuthState(f.model.authState());
        f.model.setShortcutRequiresShift(true);
        QStringList counts;
        QStringList once;
        for (std::size_t i = 0; i < spies.size(); ++i) {
            counts << QString(watched[i] + 1) + "=" + QString::number(spies[i]->count());
            once << QString(watched[i] + 1) + "=1";
        }
        QCOMPARE(counts, once);
        QCOMPARE(f.defaults->writes(), writesBefore + 2); // tone and shift written through

        // Properties read through the meta-object, as the views will.
        QCOMPARE(f.model.property("shortcutDisplay").toString(), QStringLiteral("Super+Shift+L"));
        QVERIFY(!f.model.property("inputMonitoringGranted").isValid());
        f.model.setPermissionState(false, true);
        QCOMPARE(f.model.property("inputMonitoringGranted"), QVariant(false));
        QCOMPARE(f.model.property("hasAllPermissions"), QVariant(false));
    }

    void repeatedNoticesAreDistinct()
    {
        Fixture f;
        f.model.setNotice(UserNoticeStyle::info, "Title", "Body");
        const UserNotice first = *f.model.notice();
        f.model.setNotice(UserNoticeStyle::info, "Title", "Body");
        QVERIFY(first.id != f.model.notice()->id);
        QVERIFY(!(first == *f.model.notice()));
    }
};

VELTO_REGISTER_TEST(ModelRulesTest);
#include "ModelRulesTest.moc"
