#include "model/JsonFileDefaults.h"
#include "fakes/model/RecordingLogSink.h"
#include "model/AppBuildConfig.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "model/UserPreferencesStore.h"
#include "support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

using namespace velto;

namespace {

nlohmann::json readJson(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray bytes = file.readAll();
    return nlohmann::json::parse(bytes.cbegin(), bytes.cend(), nullptr, false);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class JsonFileDefaultsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::shared_ptr<RecordingLogSink> m_log;
    std::shared_ptr<LogSink> m_previous;

    QString prefsPath() const { return m_dir.path() + "/velto/preferences.json"; }

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
        const QString path = JsonFileDefaults::defaultPath();
        QVERIFY2(path.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")), qPrintable(path));
        QFile::remove(path);
        UserPreferencesStore& store = UserPreferencesStore::shared();
        AppModel model(store, AppBuildConfig::load());

        const nlohmann::json json = readJson(path);
        QVERIFY(json.is_object());
        QVERIFY(json["settings_schema_version"].is_number_integer());
        QCOMPARE(json["settings_schema_version"].get<int>(), 5);
        QVERIFY(json["tone"] == "grammar_fix");
        QVERIFY(json["language"] == "auto");
        QVERIFY(json["soundOnCompletion"].is_boolean());
        QVERIFY(json["soundOnCompletion"] == true);
        QVERIFY(json["shortcutKey"] == "l");
        QVERIFY(json["shortcutRequiresShift"] == false);
        QVERIFY(json["didShowFirstRunGuide"] == false);
        QVERIFY(!json.contains("launchAtLogin"));

        struct stat info
        {
        };
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
    }

    void valueTypesSurviveAReload()
    {
        {
            JsonFileDefaults defaults(prefsPath());
            defaults.setObject("flag", true);
            defaults.setObject("count", QVariant::fromValue<qint64>(7));
            defaults.setObject("ratio", 0.5);
            defaults.setObject("name", QStringLiteral("Ωmega ✓"));
            defaults.setObject("digits", QStringLiteral("12"));
        }
        JsonFileDefaults reloaded(prefsPath());
        QCOMPARE(reloaded.object("flag")->typeId(), QMetaType::Bool);
        QCOMPARE(reloaded.object("count")->typeId(), QMetaType::LongLong);
        QCOMPARE(reloaded.object("count")->toLongLong(), 7);
        QCOMPARE(reloaded.object("ratio")->typeId(), QMetaType::Double);
        QCOMPARE(reloaded.object("name")->toString(), QStringLiteral("Ωmega ✓"));
        QCOMPARE(reloaded.object("digits")->typeId(), QMetaType::QString);
        QVERIFY(!reloaded.object("absent"));
    }

    void unknownValuesAreKeptAsFound()
    {
        writeFile(prefsPath(), "{\"nested\": {\"a\": [1, null, \"x\"]}, \"tone\": \"casual\"}");
        {
            JsonFileDefaults defaults(prefsPath());
            defaults.setObject("tone", QStringLiteral("concise"));
        }
        const nlohmann::json json = readJson(prefsPath());
        QVERIFY(json["nested"] == nlohmann::json::parse("{\"a\": [1, null, \"x\"]}"));
        QVERIFY(json["tone"] == "concise");
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
        JsonFileDefaults defaults(prefsPath());
        QVERIFY(!defaults.object("tone"));
        QVERIFY(!defaults.movedAsidePath().isEmpty());
        QVERIFY(!QFile::exists(prefsPath()));
        QFile aside(defaults.movedAsidePath());
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), content); // the user's file is kept, byte for byte
        QVERIFY(defaults.movedAsidePath().contains("preferences.json.corrupt-"));
        QCOMPARE(m_log->lines.size(), 1);
        QCOMPARE(m_log->lines.first().level, LogLevel::warning);

        // And the store works on: a migrated file replaces the corrupt one.
        UserPreferencesStore store(std::make_shared<JsonFileDefaults>(prefsPath()));
        QVERIFY(readJson(prefsPath())["settings_schema_version"] == 5);
    }

    void writesLeaveNoTemporaryFilesAndCreateTheDirectory()
    {
        JsonFileDefaults defaults(prefsPath());
        for (int i = 0; i < 20; ++i)
            defaults.setObject("n", i);
        defaults.removeObject("n");
        defaults.setObject("last", true);
        QCOMPARE(entries(QFileInfo(prefsPath()).absolutePath()), QStringList{"preferences.json"});
        QVERIFY(readJson(prefsPath()) == nlohmann::json::parse("{\"last\": true}"));
    }

    void anUnwritableLocationKeepsValuesInMemoryAndLogs()
    {
        // A plain file where the directory should be: no write can succeed, even as root.
        const QString dir = QFileInfo(prefsPath()).absolutePath();
        writeFile(m_dir.path() + "/blocker", "x");
        JsonFileDefaults defaults(m_dir.path() + "/blocker/velto/preferences.json");
        defaults.setObject("tone", "casual");
        QCOMPARE(defaults.object("tone")->toString(), "casual");
        QVERIFY(!QFile::exists(dir));
        QCOMPARE(m_log->lines.size(), 1);
        QCOMPARE(m_log->lines.first().level, LogLevel::warning);
    }

    void aWriteReplacesTheFileInOneStep()
    {
        // The old content stays intact until the rename: a reader never sees a mix.
        writeFile(prefsPath(), "{\"tone\": \"casual\"}");
        const QString dir = QFileInfo(prefsPath()).absolutePath();
        JsonFileDefaults defaults(prefsPath());
        struct stat before
        {
        };
        QCOMPARE(::stat(QFile::encodeName(prefsPath()).constData(), &before), 0);
        defaults.setObject("tone", "concise");
        struct stat after
        {
        };
        QCOMPARE(::stat(QFile::encodeName(prefsPath()).constData(), &after), 0);
        QVERIFY(before.st_ino != after.st_ino); // a new file was renamed over the old one
        QCOMPARE(after.st_mode & 0777, 0600u);
        QCOMPARE(entries(dir), QStringList{"preferences.json"});
    }
};

VELTO_REGISTER_TEST(JsonFileDefaultsTest);
#include "JsonFileDefaultsTest.moc"
