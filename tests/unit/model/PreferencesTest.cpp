#include "fakes/model/MemoryPreferences.h"
#include "fakes/model/RecordingLogSink.h"
#include "model/AppBuildConfig.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "model/JsonPreferenceFile.h"
#include "model/UserPreferencesStore.h"
#include "support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace velto;

namespace {

using Keys = UserPreferencesStore::Keys;

const QStringList legacyKeys = {"serverURL", "supabaseURL", "supabaseAnonKey", "supabaseProvider"};

// The file as compact JSON text (keys sorted), or "<unreadable>".
QString fileText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    const QByteArray bytes = file.readAll();
    return QString::fromStdString(
        nlohmann::json::parse(bytes.cbegin(), bytes.cend(), nullptr, false).dump());
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

struct stat fileStat(const QString& path)
{
    struct stat info
    {
    };
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}

} // namespace

// The preference store's schema and reading rules, and the JSON file that keeps it.
class PreferencesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::shared_ptr<RecordingLogSink> m_log;
    std::shared_ptr<LogSink> m_previous;

    QString prefsPath() const { return m_dir.path() + "/velto/preferences.json"; }
    QStringList entries() const
    {
        return QDir(QFileInfo(prefsPath()).absolutePath())
            .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_log = std::make_shared<RecordingLogSink>();
        m_previous = ClientLogger::setSink(m_log);
    }

    void cleanup() { ClientLogger::setSink(m_previous); }

    void freshConfigHomeGetsTheMigratedDefaultsAsTypedJson()
    {
        // The process-wide store, under the isolated XDG_CONFIG_HOME the test runs with.
        const QString path = JsonPreferenceFile::defaultPath();
        QVERIFY2(path.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")), qPrintable(path));
        QFile::remove(path);
        UserPreferencesStore& store = UserPreferencesStore::shared();
        AppModel model(store, AppBuildConfig::load());
        QCOMPARE(fileText(path),
                 R"({"didShowFirstRunGuide":false,"language":"auto","settings_schema_version":6,)"
                 R"("shortcutChosen":false,"shortcutKey":"l","shortcutRequiresShift":true,)"
                 R"("soundOnCompletion":true,"tone":"grammar_fix"})");
        QCOMPARE(fileStat(path).st_mode & 0777, 0600u);
        QCOMPARE(store.launchAtLogin(), false);
    }

    // Which steps run from each stored version: "tone" adds tone, language and sound, "legacy"
    // removes the old server keys, "shortcut" adds the shortcut keys, "guide" the guide flag,
    // "chosen" records whether the shortcut was chosen.
    void migrationRunsTheStepsOfTheStoredVersion_data()
    {
        QTest::addColumn<QVariant>("version");
        QTest::addColumn<QString>("steps");
        const QString all = "tone legacy shortcut guide chosen";
        QTest::newRow("absent") << QVariant() << all;
        QTest::newRow("negative") << QVariant(-3) << all;
        QTest::newRow("0") << QVariant(0) << all;
        QTest::newRow("1") << QVariant(1) << "legacy shortcut guide chosen";
        QTest::newRow("2") << QVariant(2) << "legacy shortcut guide chosen";
        QTest::newRow("3") << QVariant(3) << "shortcut guide chosen";
        QTest::newRow("4") << QVariant(4) << "guide chosen";
        QTest::newRow("5") << QVariant(5) << "chosen";
        QTest::newRow("6") << QVariant(6) << "";
        QTest::newRow("9") << QVariant(9) << "";
        QTest::newRow("version as text") << QVariant("3") << "shortcut guide chosen";
    }

    void migrationRunsTheStepsOfTheStoredVersion()
    {
        QFETCH(QVariant, version);
        QFETCH(QString, steps);
        const QStringList ran = steps.split(u' ', Qt::SkipEmptyParts);
        QVariantMap initial;
        for (const QString& key : legacyKeys)
            initial.insert(key, "old");
        if (version.isValid())
            initial.insert(Keys::schemaVersion, version);
        auto defaults = std::make_shared<MemoryPreferences>(initial);
        UserPreferencesStore store(defaults);
        const QVariantMap& v = defaults->values();

        for (const QString& key : {Keys::tone, Keys::language, Keys::soundOnCompletion})
            QCOMPARE(v.contains(key), ran.contains("tone"));
        for (const QString& key : legacyKeys)
            QCOMPARE(v.contains(key), !ran.contains("legacy"));
        QCOMPARE(v.contains(Keys::shortcutKey), ran.contains("shortcut"));
        QCOMPARE(v.contains(Keys::shortcutRequiresShift), ran.contains("shortcut"));
        QCOMPARE(v.contains(Keys::didShowFirstRunGuide), ran.contains("guide"));
        QCOMPARE(v.contains(Keys::shortcutChosen), ran.contains("chosen"));
        const qint64 expected = version.toLongLong() > 5 ? version.toLongLong() : 6;
        QCOMPARE(v.value(Keys::schemaVersion).toLongLong(), expected);
        // A version-2 store without a tone still reads the default.
        QCOMPARE(store.toneID(), QStringLiteral("grammar_fix"));
        QCOMPARE(store.soundOnCompletion(), true);
    }

    void migrationNeverOverwritesStoredValues()
    {
        const QVariantMap initial = {{Keys::tone, "casual"},
                                     {Keys::language, 7},
                                     {Keys::soundOnCompletion, false},
                                     {Keys::shortcutKey, "r"},
                                     {Keys::shortcutRequiresShift, "yes"},
                                     {Keys::didShowFirstRunGuide, true}};
        auto defaults = std::make_shared<MemoryPreferences>(initial);
        UserPreferencesStore store(defaults);
        // And the version, and the record that the shortcut was chosen.
        QCOMPARE(defaults->values().size(), initial.size() + 2);
        for (auto it = initial.cbegin(); it != initial.cend(); ++it)
            QCOMPARE(defaults->values().value(it.key()), it.value());
        QCOMPARE(store.shortcutChosen(), true);
    }

    void anUnchosenOldDefaultMovesToTheNewDefaultOnceAndSaysSo()
    {
        auto defaults =
            std::make_shared<MemoryPreferences>(QVariantMap{{Keys::schemaVersion, 5},
                                                            {Keys::shortcutKey, "l"},
                                                            {Keys::shortcutRequiresShift, false}});
        {
            UserPreferencesStore store(defaults);
            QCOMPARE(store.shortcutKey(), ShortcutKeys::defaultKeyID);
            QCOMPARE(store.shortcutRequiresShift(), ShortcutKeys::defaultRequiresShift);
            QCOMPARE(store.shortcutChosen(), false);
        }
        QCOMPARE(m_log->lines.size(), 1);
        QCOMPARE(m_log->lines.first().message,
                 QStringLiteral("shortcut never chosen: moved from Super+L to Super+Shift+L"));

        // Once: a user who then picks Super+L again keeps it.
        defaults->setObject(Keys::shortcutKey, QStringLiteral("l"));
        defaults->setObject(Keys::shortcutRequiresShift, false);
        defaults->setObject(Keys::shortcutChosen, true);
        UserPreferencesStore again(defaults);
        QCOMPARE(again.shortcutRequiresShift(), false);
        QCOMPARE(m_log->lines.size(), 1);
    }

    void aStoredChoiceIsNeverMoved()
    {
        struct Row
        {
            const char* key;
            bool shift;
        };
        for (const Row row : {Row{"l", true}, Row{"r", false}, Row{"k", true}}) {
            auto defaults = std::make_shared<MemoryPreferences>(
                QVariantMap{{Keys::schemaVersion, 5},
                            {Keys::shortcutKey, row.key},
                            {Keys::shortcutRequiresShift, row.shift}});
            UserPreferencesStore store(defaults);
            QCOMPARE(store.shortcutKey(), QString::fromLatin1(row.key));
            QCOMPARE(store.shortcutRequiresShift(), row.shift);
            QCOMPARE(store.shortcutChosen(), true);
        }
        QVERIFY(m_log->lines.isEmpty());
    }

    // The file keeps the letter and the Shift flag; the listener gets Super with the letter's key.
    void aStoredShortcutFileGivesTheSameCombination_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QKeyCombination>("combination");
        QTest::newRow("Super+Shift+K")
            << QByteArray(R"({"settings_schema_version": 6, "shortcutKey": "k",)"
                          R"( "shortcutRequiresShift": true, "shortcutChosen": true})")
            << QKeyCombination(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_K);
        QTest::newRow("Super+R")
            << QByteArray(R"({"settings_schema_version": 6, "shortcutKey": "r",)"
                          R"( "shortcutRequiresShift": false, "shortcutChosen": true})")
            << QKeyCombination(Qt::MetaModifier, Qt::Key_R);
        QTest::newRow("upper-case letter")
            << QByteArray(R"({"settings_schema_version": 6, "shortcutKey": "Z",)"
                          R"( "shortcutRequiresShift": true, "shortcutChosen": true})")
            << QKeyCombination(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_Z);
        QTest::newRow("not a letter")
            << QByteArray(R"({"settings_schema_version": 6, "shortcutKey": "7",)"
                          R"( "shortcutRequiresShift": false, "shortcutChosen": true})")
            << QKeyCombination(Qt::MetaModifier, Qt::Key_L);
    }
    void aStoredShortcutFileGivesTheSameCombination()
    {
        QFETCH(QByteArray, content);
        QFETCH(QKeyCombination, combination);
        writeFile(prefsPath(), content);
        UserPreferencesStore store(std::make_shared<JsonPreferenceFile>(prefsPath()));
        AppModel model(store, AppBuildConfig{});
        QCOMPARE(model.selectedShortcut(), combination);
        // Reading it changed nothing in the file's shortcut.
        const nlohmann::json stored = nlohmann::json::parse(fileText(prefsPath()).toStdString());
        const nlohmann::json original = nlohmann::json::parse(content.toStdString());
        QCOMPARE(stored.value("shortcutRequiresShift", false),
                 original.value("shortcutRequiresShift", false));
    }

    void aNewStoreStartsOnTheDefaultUnchosenAndSilent()
    {
        auto defaults = std::make_shared<MemoryPreferences>();
        UserPreferencesStore store(defaults);
        QCOMPARE(store.shortcutKey(), ShortcutKeys::defaultKeyID);
        QCOMPARE(store.shortcutRequiresShift(), true);
        QCOMPARE(store.shortcutChosen(), false);
        QVERIFY(m_log->lines.isEmpty());

        // The user's choice is recorded, even of the default itself.
        AppModel model(store, AppBuildConfig{});
        model.chooseShortcut(ShortcutKeys::defaultKeyID, true);
        QCOMPARE(store.shortcutChosen(), true);
    }

    void readingRulesCoerceAndDefaultAndSettersStoreTypes()
    {
        auto defaults = std::make_shared<MemoryPreferences>(QVariantMap{
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

        store.setLaunchAtLogin(false);
        store.setShortcutKey("q");
        QCOMPARE(defaults->values().value(Keys::launchAtLogin).typeId(), QMetaType::Bool);
        QCOMPARE(defaults->values().value(Keys::shortcutKey).typeId(), QMetaType::QString);
    }

    // A file from before the preview switch reads it as off and is not given the key: nothing is
    // decided for the user. The model's switch is stored as a boolean the next launch reads.
    void thePreviewSwitchIsOffUntilSetAndSurvivesARelaunch()
    {
        writeFile(prefsPath(), R"({"settings_schema_version":6,"tone":"casual"})");
        {
            auto file = std::make_shared<JsonPreferenceFile>(prefsPath());
            UserPreferencesStore store(file);
            AppModel model(store, AppBuildConfig{});
            QCOMPARE(model.previewBeforeReplacing(), false);
            QVERIFY(!file->object(Keys::previewBeforeReplacing));
            model.setPreviewBeforeReplacing(true);
        }
        QVERIFY(fileText(prefsPath()).contains(R"("previewBeforeReplacing":true)"));
        UserPreferencesStore store(std::make_shared<JsonPreferenceFile>(prefsPath()));
        QCOMPARE(AppModel(store, AppBuildConfig{}).previewBeforeReplacing(), true);
    }

    void valueTypesSurviveAReloadAndUnknownValuesAreKept()
    {
        writeFile(prefsPath(), R"({"nested": {"a": [1, null, "x"]}, "tone": "casual"})");
        {
            JsonPreferenceFile defaults(prefsPath());
            defaults.setObject("flag", true);
            defaults.setObject("count", QVariant::fromValue<qint64>(7));
            defaults.setObject("ratio", 0.5);
            defaults.setObject("name", QStringLiteral("Ωmega ✓"));
            defaults.setObject("digits", QStringLiteral("12"));
            defaults.setObject("tone", QStringLiteral("concise"));
        }
        JsonPreferenceFile reloaded(prefsPath());
        QCOMPARE(reloaded.object("flag")->typeId(), QMetaType::Bool);
        QCOMPARE(reloaded.object("count")->typeId(), QMetaType::LongLong);
        QCOMPARE(reloaded.object("count")->toLongLong(), 7);
        QCOMPARE(reloaded.object("ratio")->typeId(), QMetaType::Double);
        QCOMPARE(reloaded.object("name")->toString(), QStringLiteral("Ωmega ✓"));
        QCOMPARE(reloaded.object("digits")->typeId(), QMetaType::QString);
        QVERIFY(!reloaded.object("absent"));
        QCOMPARE(fileText(prefsPath()),
                 R"({"count":7,"digits":"12","flag":true,"name":"Ωmega ✓",)"
                 R"("nested":{"a":[1,null,"x"]},"ratio":0.5,"tone":"concise"})");
    }

    void corruptFilesAreMovedAsideAndTheStoreStartsEmpty_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("truncated") << QByteArray("{\"tone\": \"cas");
        QTest::newRow("not an object") << QByteArray("[\"tone\", \"casual\"]");
        QTest::newRow("invalid UTF-8") << QByteArray("{\"tone\": \"\xff\xfe\"}");
        QTest::newRow("binary") << QByteArray("\x00\x01\x02", 3);
        QTest::newRow("deep nesting") << QByteArray(100000, '[');
        QTest::newRow("too large") << QByteArray("{\"a\": \"") + QByteArray(2 << 20, 'x') + "\"}";
    }

    void corruptFilesAreMovedAsideAndTheStoreStartsEmpty()
    {
        QFETCH(QByteArray, content);
        writeFile(prefsPath(), content);
        JsonPreferenceFile defaults(prefsPath());
        QVERIFY(!defaults.object("tone"));
        QVERIFY(!QFile::exists(prefsPath()));
        QVERIFY2(defaults.movedAsidePath().contains("preferences.json.corrupt-"),
                 qPrintable(defaults.movedAsidePath()));
        QFile aside(defaults.movedAsidePath());
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), content); // the user's file is kept, byte for byte
        QCOMPARE(m_log->lines.size(), 1);
        QCOMPARE(m_log->lines.first().level, LogLevel::warning);

        // And the store works on: a migrated file replaces the corrupt one.
        UserPreferencesStore store(std::make_shared<JsonPreferenceFile>(prefsPath()));
        QVERIFY(fileText(prefsPath()).contains("\"settings_schema_version\":6"));
    }

    // velto-cli reads the preferences this way: it migrates and overrides in memory only.
    void readOnlyAccessNeverWritesNorMovesTheFile()
    {
        const QByteArray old = R"({"tone":"casual","settings_schema_version":2,"serverURL":"x"})";
        writeFile(prefsPath(), old);
        UserPreferencesStore store(std::make_shared<JsonPreferenceFile>(
            prefsPath(), JsonPreferenceFile::Access::readOnly));
        QCOMPARE(store.toneID(), QStringLiteral("casual"));
        QCOMPARE(store.shortcutKey(), QStringLiteral("l")); // migrated, in memory
        store.setToneID("concise");
        QCOMPARE(store.toneID(), QStringLiteral("concise"));
        QFile file(prefsPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), old); // byte for byte: never rewritten
        QCOMPARE(entries(), QStringList{"preferences.json"});

        const QByteArray corrupt = "{\"tone\": \"cas";
        writeFile(prefsPath(), corrupt);
        JsonPreferenceFile readOnly(prefsPath(), JsonPreferenceFile::Access::readOnly);
        QVERIFY(!readOnly.object("tone"));
        QVERIFY(readOnly.movedAsidePath().isEmpty());
        QCOMPARE(entries(), QStringList{"preferences.json"});

        QFile::remove(prefsPath());
        UserPreferencesStore fresh(std::make_shared<JsonPreferenceFile>(
            prefsPath(), JsonPreferenceFile::Access::readOnly));
        QVERIFY(!QFile::exists(prefsPath()));
    }

    void aWriteReplacesTheFileInOneStepAndLeavesNoTemporaryFile()
    {
        // The old content stays intact until the rename: a reader never sees a mix.
        writeFile(prefsPath(), "{\"tone\": \"casual\"}");
        JsonPreferenceFile defaults(prefsPath());
        const ino_t before = fileStat(prefsPath()).st_ino;
        defaults.setObject("tone", "concise");
        QVERIFY(before != fileStat(prefsPath()).st_ino); // a new file renamed over the old one
        for (int i = 0; i < 20; ++i)
            defaults.setObject("n", i);
        defaults.removeObject("n");
        QCOMPARE(fileStat(prefsPath()).st_mode & 0777, 0600u);
        QCOMPARE(entries(), QStringList{"preferences.json"});
        QCOMPARE(fileText(prefsPath()), R"({"tone":"concise"})");
    }

    void aMissingDirectoryIsCreatedAndAnUnwritableOneKeepsValuesInMemory()
    {
        JsonPreferenceFile created(prefsPath());
        created.setObject("last", true);
        QCOMPARE(entries(), QStringList{"preferences.json"});

        // A plain file where the directory should be: no write can succeed, even as root.
        writeFile(m_dir.path() + "/blocker", "x");
        JsonPreferenceFile defaults(m_dir.path() + "/blocker/velto/preferences.json");
        defaults.setObject("tone", "casual");
        QCOMPARE(defaults.object("tone")->toString(), "casual");
        QCOMPARE(m_log->lines.size(), 1);
        QCOMPARE(m_log->lines.first().level, LogLevel::warning);
    }
};

VELTO_REGISTER_TEST(PreferencesTest);
#include "PreferencesTest.moc"
