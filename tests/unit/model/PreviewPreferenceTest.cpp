#include "model/AppBuildConfig.h"
#include "model/AppModel.h"
#include "model/JsonPreferenceFile.h"
#include "model/UserPreferencesStore.h"
#include "support/TestRegistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velto;

class PreviewPreferenceTest : public QObject
{
    Q_OBJECT

private slots:
    // A file written before the switch existed keeps the rewrite replacing at once, and the
    // migration does not add the key: nothing is decided for the user.
    void anOldFileWithoutTheKeyReadsOffAndStaysWithoutIt()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("preferences.json");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"settings_schema_version":6,"tone":"casual","soundOnCompletion":false})");
        file.close();

        auto defaults = std::make_shared<JsonPreferenceFile>(path);
        UserPreferencesStore store(defaults);
        AppModel model(store, AppBuildConfig{});
        QCOMPARE(model.previewBeforeReplacing(), false);
        QVERIFY(!defaults->object(UserPreferencesStore::Keys::previewBeforeReplacing));
    }

    // The switch is stored as a JSON boolean and read back by the next launch.
    void theSwitchSurvivesARelaunch()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("preferences.json");
        {
            UserPreferencesStore store(std::make_shared<JsonPreferenceFile>(path));
            AppModel model(store, AppBuildConfig{});
            model.setPreviewBeforeReplacing(true);
        }
        auto defaults = std::make_shared<JsonPreferenceFile>(path);
        UserPreferencesStore store(defaults);
        AppModel model(store, AppBuildConfig{});
        QCOMPARE(model.previewBeforeReplacing(), true);
        QCOMPARE(defaults->object(UserPreferencesStore::Keys::previewBeforeReplacing)->typeId(),
                 QMetaType::Bool);
        model.setPreviewBeforeReplacing(false);
        QCOMPARE(UserPreferencesStore(std::make_shared<JsonPreferenceFile>(path))
                     .previewBeforeReplacing(),
                 false);
    }
};

VELTO_REGISTER_TEST(PreviewPreferenceTest);
#include "PreviewPreferenceTest.moc"
