#include "ControllerRig.h"
#include "model/AppBuildConfigError.h"
#include "support/TestRegistry.h"

using namespace velto;
using namespace velto::test;

class AppLaunchTest : public QObject
{
    Q_OBJECT

private slots:
    void aBadConfigurationStopsTheLaunch()
    {
        ControllerRig rig;
        rig.configError = AppBuildConfigError::missingKey("API_BASE_URL");
        rig.delegate->applicationDidFinishLaunching();
        QCOMPARE(rig.alerts.shown.size(), 1);
        const Alert& alert = rig.alerts.shown.first();
        QCOMPARE(alert.style, AlertStyle::warning);
        QCOMPARE(alert.messageText, "Configuration error");
        QCOMPARE(alert.informativeText, "Missing required build configuration: API_BASE_URL");
        QVERIFY(alert.buttons.isEmpty());
        QCOMPARE(rig.activations, 1);
        QCOMPARE(rig.terminations, 1);
        QVERIFY(!rig.delegate->model());
        QCOMPARE(rig.tap.startCalls, 0);
        QVERIFY(rig.backend.requests().isEmpty());
    }

    void aDiskImageLaunchAlwaysTerminates_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("refused");
        QTest::newRow("open applications") << "/Volumes/Velto/Velto.app" << 0 << true;
        QTest::newRow("quit") << "/Volumes/Velto/Velto.app" << 1 << true;
        QTest::newRow("no slash after Volumes") << "/VolumesX/Velto" << 0 << false;
    }

    void aDiskImageLaunchAlwaysTerminates()
    {
        QFETCH(QString, path);
        QFETCH(int, button);
        QFETCH(bool, refused);
        ControllerRig rig;
        rig.bundlePath = path;
        rig.delegate = std::make_unique<AppDelegate>(rig.services());
        rig.alerts.chosenButton = button;
        rig.launch();
        QCOMPARE(rig.terminations, refused ? 1 : 0);
        QCOMPARE(rig.tap.startCalls, refused ? 0 : 1);
        if (!refused)
            return;
        const Alert& alert = rig.alerts.shown.first();
        QCOMPARE(alert.messageText, "Install Velto to Applications");
        QCOMPARE(alert.buttons, (QStringList{"Open Applications", "Quit"}));
        QCOMPARE(rig.workspace.openedDirectories,
                 button == 0 ? QStringList{"/Applications"} : QStringList{});
        QCOMPARE(rig.workspace.revealed, button == 0 ? QStringList{path} : QStringList{});
    }

    void theSetupGuideIsShownOnceEvenWhenCutShort()
    {
        auto defaults = std::make_shared<MemoryDefaults>();
        {
            ControllerRig rig(false, defaults);
            QSignalSpy settings(rig.delegate.get(), &AppDelegate::settingsRequested);
            rig.alerts.chosenTitle = "Open Setup";
            rig.launch(false);
            QCOMPARE(rig.alerts.shown.size(), 1);
            const Alert& guide = rig.alerts.shown.first();
            QCOMPARE(guide.style, AlertStyle::informational);
            QCOMPARE(guide.messageText, "Finish Velto setup");
            QCOMPARE(guide.buttons, (QStringList{"Open Setup", "Later"}));
            QCOMPARE(guide.informativeText,
                     "Velto works best once these three steps are complete:\n\n"
                     "1. Enable Input Monitoring for the global shortcut.\n"
                     "2. Enable Accessibility so Velto can replace selected text.\n"
                     "3. Sign in, then test one rewrite with Super+L.\n\n"
                     "Open Setup to finish everything in one place.");
            QCOMPARE(settings.count(), 1);
        }
        ControllerRig again(false, defaults);
        again.launch(false);
        QVERIFY(again.alerts.shown.isEmpty());
    }

    void aHotkeyThatCannotStartIsRetriedAndLogged()
    {
        ControllerRig rig;
        rig.permissions.inputMonitoring = false;
        rig.monitor.installSucceeds = false;
        rig.launch();
        QCOMPARE(rig.log->lines.size(), 2);
        for (const auto& line : rig.log->lines) {
            QCOMPARE(line.level, LogLevel::warning);
            QVERIFY2(line.message.startsWith("hotkey unavailable: "), qPrintable(line.message));
        }
        QCOMPARE(rig.model().inputMonitoringGranted(), std::optional<bool>(false));
        QCOMPARE(rig.model().uiStatus(), UIStatus::permissionRequired());

        rig.permissions.inputMonitoring = true;
        rig.delegate->applicationDidBecomeActive();
        QCOMPARE(rig.log->lines.size(), 2);
        QVERIFY(rig.tap.running);
        QCOMPARE(rig.model().inputMonitoringGranted(), std::optional<bool>(true));
    }

    void launchReadsLoginItemAndBringsStateUpToDate()
    {
        ControllerRig rig(true);
        rig.loginItems.currentStatus = LoginItemStatus::enabled;
        rig.launch();
        QVERIFY(rig.model().launchAtLogin());
        QCOMPARE(rig.model().authState(), AuthState::signedIn("ada@example.test"));
        QCOMPARE(rig.model().availableTones().size(), 2);
        QCOMPARE(rig.tap.targets.first(), (QPair<std::int64_t, bool>{37, false}));

        ControllerRig other;
        other.loginItems.currentStatus = LoginItemStatus::requiresApproval;
        other.launch();
        QVERIFY(!other.model().launchAtLogin());
        QCOMPARE(other.model().authState(), AuthState::signedOut());
        QVERIFY(other.backend.requests().isEmpty()); // signed out: no catalogue request
    }

    void terminationAbandonsThePendingSignInAndStopsTheListener()
    {
        ControllerRig rig;
        rig.launch();
        rig.serveSignIn();
        rig.sleeper.onSleep = [&] {
            if (rig.delegate->pendingWebLogin())
                rig.delegate->applicationWillTerminate();
        };
        rig.delegate->startSignIn();
        rig.waitIdle();
        QVERIFY(rig.waitForRequest("POST", "/auth/handoff/cancel"));
        QVERIFY(!rig.tap.running);
        QVERIFY(!rig.delegate->pendingWebLogin());
    }
};

VELTO_REGISTER_TEST(AppLaunchTest);
#include "AppLaunchTest.moc"
