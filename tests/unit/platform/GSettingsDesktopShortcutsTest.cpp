#include "platform/linux/GSettingsDesktopShortcuts.h"
#include "model/ShortcutKeys.h"
#include "platform/DesktopShortcutsError.h"
#include "platform/linux/SystemTranslations.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

using namespace velto;

namespace {

const char* const mediaKeys = "org.gnome.settings-daemon.plugins.media-keys";
const char* const customSchema = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
const QString userPath =
    QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/");

// What another process reads back through the same private backend: the settings as GNOME
// would see them.
QString gsettingsGet(const QString& schema, const QString& key)
{
    QProcess process;
    process.start(QStringLiteral("gsettings"), {QStringLiteral("get"), schema, key});
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return QStringLiteral("<gsettings failed: %1>")
            .arg(QString::fromUtf8(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString customKey(const QString& path, const QString& key)
{
    return gsettingsGet(QString::fromLatin1(customSchema) + u':' + path, key);
}

GSettings* openCustom(const QString& path)
{
    GSettingsSchema* schema =
        g_settings_schema_source_lookup(g_settings_schema_source_get_default(), customSchema, TRUE);
    GSettings* settings = g_settings_new_full(schema, nullptr, path.toUtf8().constData());
    g_settings_schema_unref(schema);
    return settings;
}

} // namespace

// Velto's GNOME custom shortcut and the desktop's own bindings, written and read through the
// real GNOME schemas with GSettings' keyfile backend in a scratch configuration folder.
class GSettingsDesktopShortcutsTest : public QObject
{
    Q_OBJECT

public:
    GSettingsDesktopShortcutsTest()
    {
        // Before any GSettings call: the backend and the folder are chosen once per process.
        qputenv("GSETTINGS_BACKEND", "keyfile");
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }

private:
    QTemporaryDir m_config;
    GSettingsDesktopShortcuts m_gnome{QStringLiteral("ubuntu:GNOME"),
                                      QStringLiteral("/usr/bin/velto")};

    // The user's own custom shortcut, as GNOME Settings would have written it.
    void addUserShortcut(const char* binding, const char* command)
    {
        GSettings* custom = openCustom(userPath);
        g_settings_set_string(custom, "name", "Terminal");
        g_settings_set_string(custom, "command", command);
        g_settings_set_string(custom, "binding", binding);
        g_object_unref(custom);
        GSettings* keys = g_settings_new(mediaKeys);
        const QByteArray path = userPath.toUtf8();
        const gchar* paths[] = {path.constData(), nullptr};
        g_settings_set_strv(keys, "custom-keybindings", paths);
        g_object_unref(keys);
        g_settings_sync();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        if (!g_settings_schema_source_lookup(g_settings_schema_source_get_default(), mediaKeys,
                                             TRUE))
            QFAIL("GNOME's media-keys schema is not installed (gnome-settings-daemon-common)");
    }

    void init()
    {
        GSettings* keys = g_settings_new(mediaKeys);
        g_settings_reset(keys, "custom-keybindings");
        g_object_unref(keys);
        for (const QString& path : {userPath, GSettingsDesktopShortcuts::customShortcutPath}) {
            GSettings* custom = openCustom(path);
            for (const char* key : {"name", "command", "binding"})
                g_settings_reset(custom, key);
            g_object_unref(custom);
        }
        g_settings_sync();
    }

    void customShortcutIsAddedOnceUpdatedAndRemovedBesideTheUsersOwn()
    {
        addUserShortcut("<Super>t", "gnome-terminal");
        const QString ours = GSettingsDesktopShortcuts::customShortcutPath;
        const QString list = QStringLiteral("['%1', '%2']").arg(userPath, ours);

        m_gnome.setCustomShortcut(Qt::META | Qt::SHIFT | Qt::Key_L);
        m_gnome.setCustomShortcut(Qt::META | Qt::SHIFT | Qt::Key_L);
        QCOMPARE(gsettingsGet(mediaKeys, "custom-keybindings"), list);
        QCOMPARE(customKey(ours, "name"), QStringLiteral("'Velto: rewrite selection'"));
        QCOMPARE(customKey(ours, "command"), QStringLiteral("'/usr/bin/velto --trigger'"));
        QCOMPARE(customKey(ours, "binding"), QStringLiteral("'<Super><Shift>l'"));

        m_gnome.setCustomShortcut(Qt::META | Qt::Key_R);
        QCOMPARE(gsettingsGet(mediaKeys, "custom-keybindings"), list);
        QCOMPARE(customKey(ours, "binding"), QStringLiteral("'<Super>r'"));

        m_gnome.removeCustomShortcut();
        QCOMPARE(gsettingsGet(mediaKeys, "custom-keybindings"),
                 QStringLiteral("['%1']").arg(userPath));
        QCOMPARE(customKey(ours, "binding"), QStringLiteral("''"));
        QCOMPARE(customKey(userPath, "binding"), QStringLiteral("'<Super>t'"));
        QCOMPARE(customKey(userPath, "command"), QStringLiteral("'gnome-terminal'"));
        QCOMPARE(customKey(userPath, "name"), QStringLiteral("'Terminal'"));
    }

    void triggerShortcutTellsVeltosOwnFromOneTheUserMade()
    {
        QCOMPARE(m_gnome.triggerShortcut(), std::nullopt);
        addUserShortcut("<Shift><Super>r", "'/opt/velto/bin/velto' --trigger");
        QCOMPARE(m_gnome.triggerShortcut(),
                 (TriggerShortcut{Qt::META | Qt::SHIFT | Qt::Key_R, false}));

        m_gnome.setCustomShortcut(Qt::META | Qt::Key_K);
        QCOMPARE(m_gnome.triggerShortcut(), (TriggerShortcut{Qt::META | Qt::Key_K, true}));
    }

    void gnomeDefaultsHoldSuperLButLeaveTheDefaultFree()
    {
        addUserShortcut("<Super>j", "gnome-terminal");
        const QList<QKeyCombination> reserved = m_gnome.reservedShortcuts();
        // The lock screen (media keys), hiding a window (window manager), the user's own.
        for (const Qt::Key letter : {Qt::Key_L, Qt::Key_H, Qt::Key_J})
            QVERIFY2(reserved.contains(Qt::META | letter),
                     QByteArray::number(letter, 16).constData());
        QVERIFY(!reserved.contains(ShortcutKeys::combination(ShortcutKeys::defaultKeyID,
                                                             ShortcutKeys::defaultRequiresShift)));
        for (const QKeyCombination combination : reserved)
            QVERIFY2(combination.keyboardModifiers() == Qt::MetaModifier,
                     QByteArray::number(combination.toCombined(), 16).constData());
    }

    void veltosOwnShortcutIsNotReservedAgainstItself()
    {
        m_gnome.setCustomShortcut(Qt::META | Qt::SHIFT | Qt::Key_K);
        QVERIFY(!m_gnome.reservedShortcuts().contains(Qt::META | Qt::SHIFT | Qt::Key_K));
    }

    void otherDesktopsAreNeitherReadNorWritten()
    {
        GSettingsDesktopShortcuts plasma(QStringLiteral("KDE"), QStringLiteral("/usr/bin/velto"));
        QVERIFY(plasma.reservedShortcuts().isEmpty());
        QVERIFY(!plasma.supportsCustomShortcut());
        QCOMPARE(plasma.triggerShortcut(), std::nullopt);
        try {
            plasma.setCustomShortcut(Qt::META | Qt::SHIFT | Qt::Key_L);
            QFAIL("a desktop without GNOME's custom shortcuts took one");
        } catch (const AppError& error) {
            QCOMPARE(error.code(), int(DesktopShortcutsError::unsupportedCode));
        }
        QCOMPARE(gsettingsGet(mediaKeys, "custom-keybindings"), QStringLiteral("@as []"));
    }

    void acceleratorsOtherThanSuperWithALetterAreNotShortcuts()
    {
        struct Row
        {
            const char* accelerator;
            std::optional<QKeyCombination> expected;
        };
        const Row rows[] = {
            {"<Super>l", Qt::META | Qt::Key_L},
            {"<Mod4>L", Qt::META | Qt::Key_L},
            {"<Shift><Super>e", Qt::META | Qt::SHIFT | Qt::Key_E},
            {"<Super><Shift>Left", std::nullopt},
            {"<Primary><Super>l", std::nullopt},
            {"<Alt><Super>s", std::nullopt},
            {"<Shift>l", std::nullopt},
            {"XF86ScreenSaver", std::nullopt},
            {"", std::nullopt},
        };
        for (const Row& row : rows)
            QVERIFY2(GSettingsDesktopShortcuts::parseAccelerator(
                         QString::fromLatin1(row.accelerator)) == row.expected,
                     row.accelerator);
    }

    // The entry is named in the user's language, and is still Velto's own (found, updated,
    // removed) once the language has changed.
    void customShortcutIsFoundAgainAfterALanguageChange()
    {
        QTranslator german;
        QVERIFY(SystemTranslations::load(german, QLocale(QStringLiteral("de_DE"))));
        QVERIFY(QCoreApplication::installTranslator(&german));
        // Also when a check fails half-way, the tests after this one run in English.
        const auto english =
            qScopeGuard([&german] { QCoreApplication::removeTranslator(&german); });
        const QString ours = GSettingsDesktopShortcuts::customShortcutPath;
        m_gnome.setCustomShortcut(Qt::META | Qt::SHIFT | Qt::Key_K);
        QCOMPARE(customKey(ours, "name"), QStringLiteral("'Velto: Auswahl umformulieren'"));

        QCoreApplication::removeTranslator(&german);
        QCOMPARE(m_gnome.triggerShortcut(),
                 (TriggerShortcut{Qt::META | Qt::SHIFT | Qt::Key_K, true}));
        m_gnome.setCustomShortcut(Qt::META | Qt::Key_R);
        QCOMPARE(gsettingsGet(mediaKeys, "custom-keybindings"), QStringLiteral("['%1']").arg(ours));
        QCOMPARE(customKey(ours, "name"), QStringLiteral("'Velto: rewrite selection'"));
        QCOMPARE(customKey(ours, "binding"), QStringLiteral("'<Super>r'"));
        m_gnome.removeCustomShortcut();
        QCOMPARE(gsettingsGet(mediaKeys, "custom-keybindings"), QStringLiteral("@as []"));
    }

    // The custom shortcut takes what the accelerators above can read back; anything else is
    // refused before GNOME's settings are touched.
    void onlySuperWithALetterBecomesVeltosCustomShortcut()
    {
        for (const QKeyCombination keys :
             {QKeyCombination(Qt::META | Qt::Key_F5), Qt::CTRL | Qt::META | Qt::Key_L,
              QKeyCombination(Qt::SHIFT | Qt::Key_L), QKeyCombination(Qt::Key_L)}) {
            try {
                m_gnome.setCustomShortcut(keys);
                QFAIL((QByteArray::number(keys.toCombined(), 16) + " was written").constData());
            } catch (const AppError& error) {
                QCOMPARE(error.code(), int(DesktopShortcutsError::unsupportedKeysCode));
            }
        }
        QCOMPARE(gsettingsGet(mediaKeys, "custom-keybindings"), QStringLiteral("@as []"));
        QCOMPARE(GSettingsDesktopShortcuts::accelerator(Qt::META | Qt::SHIFT | Qt::Key_Q),
                 std::optional<QString>(QStringLiteral("<Super><Shift>q")));
    }

    void commandQuotesAPathThatNeedsIt()
    {
        QCOMPARE(
            GSettingsDesktopShortcuts(QStringLiteral("GNOME"), QStringLiteral("/opt/my apps/velto"))
                .command(),
            QStringLiteral("'/opt/my apps/velto' --trigger"));
    }
};

QTEST_GUILESS_MAIN(GSettingsDesktopShortcutsTest)
#include "GSettingsDesktopShortcutsTest.moc"
