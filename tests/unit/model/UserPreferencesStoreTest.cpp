#include "model/UserPreferencesStore.h"
#include "fakes/model/MemoryDefaults.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;

namespace {

using Keys = UserPreferencesStore::Keys;

const QStringList legacyKeys = {"serverURL", "supabaseURL", "supabaseAnonKey", "supabaseProvider"};

QVariantMap withLegacy(QVariantMap values)
{
    for (const QString& key : legacyKeys)
        values.insert(key, "old");
    return values;
}

} // namespace

class UserPreferencesStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void emptyDomainIsMigratedToTheCurrentSchema()
    {
        auto defaults = std::make_shared<MemoryDefaults>();
        UserPreferencesStore store(defaults);
        const QVariantMap& v = defaults->values();
        QCOMPARE(v.value(Keys::schemaVersion).toLongLong(), 5);
        QCOMPARE(v.value(Keys::tone), QVariant("grammar_fix"));
        QCOMPARE(v.value(Keys::language), QVariant("auto"));
        QCOMPARE(v.value(Keys::soundOnCompletion), QVariant(true));
        QCOMPARE(v.value(Keys::shortcutKey), QVariant("l"));
        QCOMPARE(v.value(Keys::shortcutRequiresShift), QVariant(false));
        QCOMPARE(v.value(Keys::didShowFirstRunGuide), QVariant(false));
        QVERIFY(!v.contains(Keys::launchAtLogin));
        QCOMPARE(store.launchAtLogin(), false);
    }

    // Which steps run from each stored version, and that none overwrites what is there.
    void migrationRunsTheStepsOfTheStoredVersion_data()
    {
        QTest::addColumn<QVariant>("version");
        QTest::addColumn<bool>("addsToneLanguageSound");
        QTest::addColumn<bool>("removesLegacy");
        QTest::addColumn<bool>("addsShortcut");
        QTest::addColumn<bool>("addsGuideFlag");
        QTest::newRow("absent") << QVariant() << true << true << true << true;
        QTest::newRow("negative") << QVariant(-3) << true << true << true << true;
        QTest::newRow("0") << QVariant(0) << true << true << true << true;
        QTest::newRow("1") << QVariant(1) << false << true << true << true;
        QTest::newRow("2") << QVariant(2) << false << true << true << true;
        QTest::newRow("3") << QVariant(3) << false << false << true << true;
        QTest::newRow("4") << QVariant(4) << false << false << false << true;
        QTest::newRow("5") << QVariant(5) << false << false << false << false;
        QTest::newRow("9") << QVariant(9) << false << false << false << false;
        QTest::newRow("version as text") << QVariant("3") << false << false << true << true;
    }

    void migrationRunsTheStepsOfTheStoredVersion()
    {
        QFETCH(QVariant, version);
        QFETCH(bool, addsToneLanguageSound);
        QFETCH(bool, removesLegacy);
        QFETCH(bool, addsShortcut);
        QFETCH(bool, addsGuideFlag);

        QVariantMap initial = withLegacy({});
        if (version.isValid())
            initial.insert(Keys::schemaVersion, version);
        auto defaults = std::make_shared<MemoryDefaults>(initial);
        UserPreferencesStore store(defaults);
        const QVariantMap& v = defaults->values();

        QCOMPARE(v.contains(Keys::tone), addsToneLanguageSound);
        QCOMPARE(v.contains(Keys::language), addsToneLanguageSound);
        QCOMPARE(v.contains(Keys::soundOnCompletion), addsToneLanguageSound);
        for (const QString& key : legacyKeys)
            QCOMPARE(v.contains(key), !removesLegacy);
        QCOMPARE(v.contains(Keys::shortcutKey), addsShortcut);
        QCOMPARE(v.contains(Keys::shortcutRequiresShift), addsShortcut);
        QCOMPARE(v.contains(Keys::didShowFirstRunGuide), addsGuideFlag);
        const qint64 expected = version.toLongLong() > 4 ? version.toLongLong() : 5;
        QCOMPARE(v.value(Keys::schemaVersion).toLongLong(), expected);
        // A version-2 store without a tone still reads the default.
        QCOMPARE(store.toneID(), QStringLiteral("grammar_fix"));
        QCOMPARE(store.soundOnCompletion(), true);
    }

    void migrationNeverOverwritesStoredValues()
    {
        const QVariantMap initial = {
            {Keys::tone, "casual"},
            {Keys::language, 7},
            {Keys::soundOnCompletion, false},
            {Keys::shortcutKey, "r"},
            {Keys::shortcutRequiresShift, "yes"},
            {Keys::didShowFirstRunGuide, true},
        };
        auto defaults = std::make_shared<MemoryDefaults>(initial);
        UserPreferencesStore store(defaults);
        for (auto it = initial.cbegin(); it != initial.cend(); ++it)
            QCOMPARE(defaults->values().value(it.key()), it.value());
    }

    void readingRulesCoerceAndDefault()
    {
        auto defaults = std::make_shared<MemoryDefaults>(QVariantMap{
            {Keys::schemaVersion, 5},
            {Keys::language, 42},             // a number reads as its text
            {Keys::tone, QVariantList{1, 2}}, // neither string nor number: default
            {Keys::soundOnCompletion, false},
            {Keys::shortcutRequiresShift, 1},
            {Keys::launchAtLogin, "true"},
        });
        UserPreferencesStore store(defaults);
        QCOMPARE(store.languageID(), "42");
        QCOMPARE(store.toneID(), "grammar_fix");
        QCOMPARE(store.soundOnCompletion(), false);
        QCOMPARE(store.shortcutRequiresShift(), true);
        QCOMPARE(store.launchAtLogin(), true);
        QCOMPARE(store.shortcutKey(), "l");

        defaults->removeObject(Keys::soundOnCompletion);
        QCOMPARE(store.soundOnCompletion(), true);
    }

    void settersStoreTypedValues()
    {
        auto defaults = std::make_shared<MemoryDefaults>();
        UserPreferencesStore store(defaults);
        store.setLaunchAtLogin(true);
        store.setShortcutKey("q");
        store.setSoundOnCompletion(false);
        QCOMPARE(defaults->values().value(Keys::launchAtLogin).typeId(), QMetaType::Bool);
        QCOMPARE(defaults->values().value(Keys::shortcutKey).typeId(), QMetaType::QString);
        QCOMPARE(store.soundOnCompletion(), false);
        QCOMPARE(store.shortcutKey(), "q");
    }
};

VELTO_REGISTER_TEST(UserPreferencesStoreTest);
#include "UserPreferencesStoreTest.moc"
