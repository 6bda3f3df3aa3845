#include "model/AppModel.h"
#include "fakes/model/MemoryDefaults.h"
#include "model/UserPreferencesStore.h"
#include "support/TestRegistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace velto;

namespace {

struct Fixture
{
    explicit Fixture(QVariantMap stored = {})
        : defaults(std::make_shared<MemoryDefaults>(std::move(stored))), store(defaults),
          model(store, AppBuildConfig{AppRuntimeMode::release, QUrl("https://api.example.test/"),
                                      "https://auth.example.test", "anon", "email"})
    {
    }
    QString stored(const char* key) const { return defaults->values().value(key).toString(); }

    std::shared_ptr<MemoryDefaults> defaults;
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

class AppModelTest : public QObject
{
    Q_OBJECT

private slots:
    void freshStoreStartsSignedOutWithDefaults()
    {
        Fixture f;
        QCOMPARE(f.model.toneID(), "grammar_fix");
        QCOMPARE(f.model.languageID(), "auto");
        QCOMPARE(f.model.shortcutKeyID(), "l");
        QCOMPARE(f.model.uiStatus(), UIStatus::signInRequired());
        QCOMPARE(f.model.currentToneTitle(), "Default");
        QCOMPARE(f.model.currentLanguageTitle(), "Auto-detect");
        QCOMPARE(f.model.setupCompletedSteps(), 0);
        QCOMPARE(f.model.shortcutDisplay(), QStringLiteral("Super+L"));
        QVERIFY(!f.model.inputMonitoringGranted());
        QVERIFY(f.model.shouldShowFirstRunGuide());
        QCOMPARE(f.model.resolveRuntimeServer(),
                 (RuntimeServer{QUrl("https://api.example.test/"), true}));
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

    void noticesAreDistinctAndTheGuideFlagIsStored()
    {
        Fixture f;
        f.model.setNotice(UserNoticeStyle::info, "Title", "Body");
        const UserNotice first = *f.model.notice();
        f.model.setNotice(UserNoticeStyle::info, "Title", "Body");
        QVERIFY(first.id != f.model.notice()->id);
        QVERIFY(!(first == *f.model.notice()));
        f.model.clearNotice();
        QVERIFY(!f.model.notice());

        QSignalSpy guide(&f.model, &AppModel::shouldShowFirstRunGuideChanged);
        f.model.markFirstRunGuideShown();
        QVERIFY(!f.model.shouldShowFirstRunGuide());
        QCOMPARE(f.defaults->values().value("didShowFirstRunGuide"), QVariant(true));
        QCOMPARE(guide.count(), 1);
    }
};

VELTO_REGISTER_TEST(AppModelTest);
#include "AppModelTest.moc"
