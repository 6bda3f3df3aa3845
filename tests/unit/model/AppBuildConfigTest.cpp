#include "model/AppBuildConfig.h"
#include "model/AppBuildConfigError.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;

namespace {

QVariantMap validTable()
{
    return {
        {"API_BASE_URL", "https://api.example.test/v1/"},
        {"SUPABASE_URL", "https://auth.example.test"},
        {"SUPABASE_ANON_KEY", "anon-key"},
        {"AUTH_PROVIDER", "email"},
    };
}

QString loadError(const std::optional<QVariantMap>& table)
{
    try {
        AppBuildConfig::load(table);
    } catch (const AppError& error) {
        return error.description();
    }
    return QStringLiteral("<loaded>");
}

} // namespace

class AppBuildConfigTest : public QObject
{
    Q_OBJECT

private slots:
    void reportsTheFirstFaultInCheckOrder_data()
    {
        QTest::addColumn<QVariantMap>("changes");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QString>("error");

        const QString missing = "Missing required build configuration: ";
        const QString invalid = "Invalid URL in build configuration: ";
        QTest::newRow("everything missing")
            << QVariantMap{} << QStringList{"API_BASE_URL", "SUPABASE_URL", "SUPABASE_ANON_KEY"}
            << missing + "API_BASE_URL";
        QTest::newRow("blank base URL is missing, not invalid")
            << QVariantMap{{"API_BASE_URL", "   \n"}, {"SUPABASE_URL", "nonsense"}} << QStringList{}
            << missing + "API_BASE_URL";
        QTest::newRow("base URL without scheme") << QVariantMap{{"API_BASE_URL", "localhost"}}
                                                 << QStringList{} << invalid + "API_BASE_URL";
        QTest::newRow("base URL with empty authority") << QVariantMap{{"API_BASE_URL", "https://"}}
                                                       << QStringList{} << invalid + "API_BASE_URL";
        QTest::newRow("host:port is a scheme, not a host")
            << QVariantMap{{"API_BASE_URL", "localhost:8787"}} << QStringList{}
            << invalid + "API_BASE_URL";
        QTest::newRow("supabase URL checked after the base URL")
            << QVariantMap{{"SUPABASE_URL", "no host here"}} << QStringList{"SUPABASE_ANON_KEY"}
            << invalid + "SUPABASE_URL";
        QTest::newRow("anon key missing")
            << QVariantMap{} << QStringList{"SUPABASE_ANON_KEY"} << missing + "SUPABASE_ANON_KEY";
        QTest::newRow("non-string value counts as missing")
            << QVariantMap{{"SUPABASE_URL", true}} << QStringList{} << missing + "SUPABASE_URL";
        QTest::newRow("number counts as missing") << QVariantMap{{"SUPABASE_ANON_KEY", 42}}
                                                  << QStringList{} << missing + "SUPABASE_ANON_KEY";
        QTest::newRow("any scheme with a host passes")
            << QVariantMap{{"API_BASE_URL", "gopher://host"}} << QStringList{} << "<loaded>";
        QTest::newRow("provider is optional")
            << QVariantMap{} << QStringList{"AUTH_PROVIDER"} << "<loaded>";
    }

    void reportsTheFirstFaultInCheckOrder()
    {
        QFETCH(QVariantMap, changes);
        QFETCH(QStringList, removed);
        QFETCH(QString, error);
        QVariantMap table = validTable();
        for (auto it = changes.cbegin(); it != changes.cend(); ++it)
            table.insert(it.key(), it.value());
        for (const QString& key : removed)
            table.remove(key);
        QCOMPARE(loadError(table), error);
    }

    void noTableAtAllReportsTheBaseURLMissing()
    {
        QCOMPARE(loadError(std::nullopt), "Missing required build configuration: API_BASE_URL");
        try {
            AppBuildConfig::load(std::nullopt);
            QFAIL("loaded without a table");
        } catch (const AppError& error) {
            QVERIFY(error.is(AppBuildConfigError::domain, AppBuildConfigError::missingKeyCode));
        }
    }

    void valuesAreStoredTrimmedAndTheSupabaseURLNormalised()
    {
        QVariantMap table = validTable();
        table["API_BASE_URL"] = "  https://api.example.test/v1/\n";
        table["SUPABASE_URL"] = "\tHTTPS://Auth.Example.test ";
        table["SUPABASE_ANON_KEY"] = "  key with inner space \n";
        const AppBuildConfig config = AppBuildConfig::load(table, AppRuntimeMode::debug);
        QCOMPARE(config.runtimeMode, AppRuntimeMode::debug);
        QCOMPARE(config.apiBaseURL, QUrl("https://api.example.test/v1/"));
        QCOMPARE(config.supabaseURL, "https://auth.example.test");
        QCOMPARE(config.supabaseAnonKey, "key with inner space");
    }

    void providerWordIsTrimmedAndLowerCased_data()
    {
        QTest::addColumn<QVariant>("word");
        QTest::addColumn<QString>("provider");
        QTest::newRow(" Apple ") << QVariant(" Apple ") << "apple";
        QTest::newRow("EMAIL") << QVariant("EMAIL") << "email";
        QTest::newRow("google") << QVariant("google") << "google";
        QTest::newRow("empty") << QVariant("") << "google";
        QTest::newRow("unknown word") << QVariant("github") << "google";
        QTest::newRow("absent") << QVariant() << "google";
        QTest::newRow("boolean") << QVariant(true) << "google";
    }

    void providerWordIsTrimmedAndLowerCased()
    {
        QFETCH(QVariant, word);
        QFETCH(QString, provider);
        QVariantMap table = validTable();
        if (word.isValid())
            table["AUTH_PROVIDER"] = word;
        else
            table.remove("AUTH_PROVIDER");
        QCOMPARE(AppBuildConfig::load(table).authProvider, provider);
    }

    void theBuildTimeTableLoadsAndCarriesTheVersion()
    {
        const QVariantMap table = AppBuildConfig::buildTimeTable();
        QCOMPARE(table.value("CFBundleShortVersionString").toString(),
                 QStringLiteral(VELTO_TEST_VERSION));
        const AppBuildConfig config = AppBuildConfig::load();
        QVERIFY(config.apiBaseURL.isValid());
        QVERIFY(!config.supabaseAnonKey.isEmpty());
    }
};

VELTO_REGISTER_TEST(AppBuildConfigTest);
#include "AppBuildConfigTest.moc"
