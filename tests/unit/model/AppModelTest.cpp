#include "model/AppModel.h"
#include "fakes/model/MemoryDefaults.h"
#include "model/UserPreferencesStore.h"
#include "support/TestRegistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace velto;

namespace {

AppBuildConfig testConfig()
{
    return AppBuildConfig{AppRuntimeMode::release, QUrl("https://api.example.test/"),
                          "https://auth.example.test", "anon", "email"};
}

struct Fixture
{
    explicit Fixture(QVariantMap stored = {})
        : defaults(std::make_shared<MemoryDefaults>(std::move(stored))), store(defaults),
          model(store, testConfig())
    {
    }
    std::shared_ptr<MemoryDefaults> defaults;
    UserPreferencesStore store;
    AppModel model;
};

QList<Option> options(std::initializer_list<std::pair<const char*, const char*>> list)
{
    QList<Option> result;
    for (const auto& [id, title] : list)
        result.append(Option{id, title});
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

    void storedChoicesAreRepairedAndWrittenBack_data()
    {
        QTest::addColumn<QString>("tone");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expectedTone");
        QTest::addColumn<QString>("expectedLanguage");
        QTest::addColumn<QString>("expectedKey");
        QTest::newRow("padded capitals") << " Concise "
                                         << "GERMAN"
                                         << " R"
                                         << "concise"
                                         << "german"
                                         << "r";
        QTest::newRow("unknown") << "shouty"
                                 << "klingon"
                                 << "F5"
                                 << "grammar_fix"
                                 << "auto"
                                 << "l";
    }

    void storedChoicesAreRepairedAndWrittenBack()
    {
        QFETCH(QString, tone);
        QFETCH(QString, language);
        QFETCH(QString, key);
        QFETCH(QString, expectedTone);
        QFETCH(QString, expectedLanguage);
        QFETCH(QString, expectedKey);
        Fixture f({{"settings_schema_version", 5},
                   {"tone", tone},
                   {"language", language},
                   {"shortcutKey", key}});
        QCOMPARE(f.model.toneID(), expectedTone);
        QCOMPARE(f.model.languageID(), expectedLanguage);
        QCOMPARE(f.model.shortcutKeyID(), expectedKey);
        QCOMPARE(f.defaults->values().value("tone").toString(), expectedTone);
        QCOMPARE(f.defaults->values().value("language").toString(), expectedLanguage);
        QCOMPARE(f.defaults->values().value("shortcutKey").toString(), expectedKey);
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

        m.setStatusError("  Server down \n");
        QCOMPARE(m.uiStatus(), UIStatus::error("Server down")); // status error outranks failure
        m.setStatusError("   ");
        QCOMPARE(m.uiStatus(), UIStatus::error("Rewrite failed."));

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

    void failedRewriteMessageIsTrimmed()
    {
        Fixture f;
        f.model.setRewriteState(RewriteState::failed("\n Timed out \t"));
        QCOMPARE(f.model.uiStatus(), UIStatus::error("Timed out"));
    }

    void serverConfigKeepsTheUsersChoiceCaseInsensitively()
    {
        Fixture f;
        f.model.setToneID("casual");
        f.model.applyServerConfig(options({{"Casual", "Casual"}, {"formal", "Formal"}}),
                                  options({{"auto", "Auto"}}), "formal", "auto");
        QCOMPARE(f.model.toneID(), "casual");
        // The catalogue id has capitals, so the exact-match title lookup falls back.
        QCOMPARE(f.model.currentToneTitle(), "Default");
        QCOMPARE(f.defaults->values().value("tone").toString(), "casual");
    }

    void serverConfigFallsBackToItsDefaultThenItsFirstEntry()
    {
        Fixture f;
        f.model.setToneID("persuasive");
        f.model.applyServerConfig(options({{"Brief", "Brief"}, {"warm", "Warm"}}), {}, "warm",
                                  "auto");
        QCOMPARE(f.model.toneID(), "warm");
        f.model.setToneID("persuasive");
        f.model.applyServerConfig(options({{"Brief", "Brief"}, {"warm", "Warm"}}), {}, "missing",
                                  "auto");
        QCOMPARE(f.model.toneID(), "Brief"); // the first entry, unchanged in case
        QCOMPARE(f.model.selectedToneID(), "brief");
        QCOMPARE(f.model.availableLanguages(), AppModel::builtInLanguages());
    }

    void emptyServerCatalogueRestoresTheBuiltInOnes()
    {
        Fixture f;
        f.model.applyServerConfig(options({{"x", "X"}}), options({{"y", "Y"}}), "x", "y");
        QCOMPARE(f.model.languageID(), "y");
        f.model.applyServerConfig({}, {}, "grammar_fix", "auto");
        QCOMPARE(f.model.availableTones(), AppModel::builtInTones());
        QCOMPARE(f.model.availableLanguages(), AppModel::builtInLanguages());
        QCOMPARE(f.model.languageID(), "auto");
        f.model.applyServerConfig(options({{"x", "X"}}), {}, "x", "auto");
        f.model.resetToFallbackCatalog();
        QCOMPARE(f.model.toneID(), "grammar_fix");
    }

    void everyAssignmentNotifiesEvenWhenEqual()
    {
        Fixture f;
        QSignalSpy tone(&f.model, &AppModel::toneIDChanged);
        QSignalSpy selected(&f.model, &AppModel::selectedToneIDChanged);
        QSignalSpy title(&f.model, &AppModel::currentToneTitleChanged);
        QSignalSpy status(&f.model, &AppModel::uiStatusChanged);
        QSignalSpy auth(&f.model, &AppModel::authStateChanged);
        QSignalSpy steps(&f.model, &AppModel::setupCompletedStepsChanged);
        QSignalSpy display(&f.model, &AppModel::shortcutDisplayChanged);
        const int writesBefore = f.defaults->writes();

        f.model.setToneID(f.model.toneID());
        f.model.setAuthState(f.model.authState());
        f.model.setShortcutRequiresShift(true);
        QCOMPARE(tone.count(), 1);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(title.count(), 1);
        QCOMPARE(auth.count(), 1);
        QCOMPARE(status.count(), 1);
        QCOMPARE(steps.count(), 1);
        QCOMPARE(display.count(), 1);
        QCOMPARE(f.defaults->writes(), writesBefore + 2); // tone and shift written through
        QCOMPARE(f.model.shortcutDisplay(), QStringLiteral("Super+Shift+L"));

        // Properties read through the meta-object, as the views will.
        QCOMPARE(f.model.property("shortcutDisplay").toString(), QStringLiteral("Super+Shift+L"));
        QVERIFY(!f.model.property("inputMonitoringGranted").isValid());
        f.model.setPermissionState(false, true);
        QCOMPARE(f.model.property("inputMonitoringGranted"), QVariant(false));
        QCOMPARE(f.model.property("hasAllPermissions"), QVariant(false));
    }

    void noticesAreDistinctEvenWithEqualTexts()
    {
        Fixture f;
        f.model.setNotice(UserNoticeStyle::info, "Title", "Body");
        const UserNotice first = *f.model.notice();
        f.model.setNotice(UserNoticeStyle::info, "Title", "Body");
        QVERIFY(first.id != f.model.notice()->id);
        QVERIFY(!(first == *f.model.notice()));
        f.model.clearNotice();
        QVERIFY(!f.model.notice());
    }

    void firstRunGuideFlagGoesThroughTheStore()
    {
        Fixture f;
        QSignalSpy spy(&f.model, &AppModel::shouldShowFirstRunGuideChanged);
        f.model.markFirstRunGuideShown();
        QVERIFY(!f.model.shouldShowFirstRunGuide());
        QCOMPARE(f.defaults->values().value("didShowFirstRunGuide"), QVariant(true));
        QCOMPARE(spy.count(), 1);
    }
};

VELTO_REGISTER_TEST(AppModelTest);
#include "AppModelTest.moc"
