#include "ControllerRig.h"
#include "RecordingWindows.h"
#include "model/AppBuildConfigError.h"
#include "support/TestRegistry.h"

using namespace velto;
using namespace velto::test;

namespace {

// A launched, signed-in controller with the panel and window recorded.
struct WindowsRig : ControllerRig
{
    WindowsRig() : ControllerRig(true)
    {
        delegate->setWindows(&windows);
        delegate->setHelpPages([](AppDelegate::HelpPage page) {
            return QUrl::fromLocalFile(page == AppDelegate::HelpPage::globalShortcut
                                           ? "/help/global-shortcut.html"
                                           : "/help/text-replacement.html");
        });
        launch();
        events.clear();
    }
    RecordingWindows windows{events};
};

} // namespace

// Launch, the panel and window, and the menu actions of the controller.
class AppLifecycleTest : public QObject
{
    Q_OBJECT

private slots:
    void aBadConfigurationStopsTheLaunch()
    {
        ControllerRig rig;
        rig.configError = AppBuildConfigError::missingKey("API_BASE_URL");
        rig.delegate->applicationDidFinishLaunching();
        QCOMPARE(rig.alertsShown(), QStringList{"warning: Configuration error | Missing required "
                                                "build configuration: API_BASE_URL []"});
        QCOMPARE(rig.activations, 1);
        QCOMPARE(rig.terminations, 1);
        QVERIFY(!rig.delegate->model());
        QCOMPARE(rig.tap.startCalls, 0);
        QVERIFY(rig.backend.requests().isEmpty());
    }

    void theSetupGuideIsShownOnceEvenWhenCutShort()
    {
        auto defaults = std::make_shared<MemoryPreferences>();
        {
            ControllerRig rig(false, defaults);
            QSignalSpy settings(rig.delegate.get(), &AppDelegate::settingsRequested);
            rig.alerts.chosenTitle = "Open Setup";
            rig.launch(false);
            QCOMPARE(rig.alertsShown(),
                     QStringList{"info: Finish Velto setup | Velto works best once these three "
                                 "steps are complete:\n\n"
                                 "1. Check that the global shortcut works in this session.\n"
                                 "2. Check that Velto can replace text here, through the "
                                 "accessibility bus or a synthetic paste.\n"
                                 "3. Sign in, then test one rewrite with Super+Shift+L.\n\n"
                                 "Open Setup to finish everything in one place. [Open Setup, "
                                 "Later]"});
            QCOMPARE(settings.count(), 1);
        }
        ControllerRig again(false, defaults);
        again.launch(false);
        QVERIFY(again.alerts.shown.isEmpty());
    }

    // Each retry that finds the same state adds nothing to the journal; a change adds one line.
    void aHotkeyThatCannotStartIsRetriedAndLoggedOncePerChange()
    {
        ControllerRig rig;
        rig.sessionAccess.shortcut = false;
        rig.monitor.installSucceeds = false;
        rig.launch();
        const QString monitorFailed =
            "hotkey unavailable: Failed to install fallback hotkey monitor.";
        QCOMPARE(rig.log->lines.size(), 1);
        QCOMPARE(rig.log->lines[0].level, LogLevel::warning);
        QCOMPARE(rig.log->lines[0].message, monitorFailed);
        QCOMPARE(rig.model().inputMonitoringGranted(), std::optional<bool>(false));
        QCOMPARE(rig.model().uiStatus(), UIStatus::permissionRequired());

        rig.delegate->applicationDidBecomeActive();
        rig.delegate->applyShortcutChange();
        QCOMPARE(rig.log->lines.size(), 1);
        QCOMPARE(rig.monitor.installCalls, 4);

        // Another reason is another state.
        rig.sessionAccess.syntheticPaste = false;
        rig.delegate->applicationDidBecomeActive();
        QCOMPARE(rig.log->lines.size(), 2);
        QVERIFY2(rig.log->lines[1].message.startsWith("hotkey unavailable: No global shortcut"),
                 qPrintable(rig.log->lines[1].message));

        rig.sessionAccess.shortcut = true;
        rig.delegate->applicationDidBecomeActive();
        QVERIFY(rig.tap.running);
        QCOMPARE(rig.model().inputMonitoringGranted(), std::optional<bool>(true));
        QCOMPARE(rig.log->lines.size(), 3);
        QCOMPARE(rig.log->lines[2].level, LogLevel::info);
        QCOMPARE(rig.log->lines[2].message, QStringLiteral("hotkey available again"));
        rig.delegate->applicationDidBecomeActive();
        QCOMPARE(rig.log->lines.size(), 3);

        // Lost again, for a reason logged before: said again, since the state changed.
        rig.tap.retargetSucceeds = false;
        rig.sessionAccess.shortcut = false;
        rig.delegate->applyShortcutChange();
        QCOMPARE(rig.log->lines.size(), 4);
        QCOMPARE(rig.log->lines[3].message, rig.log->lines[1].message);
    }

    void launchReadsAutostartEntryAndBringsStateUpToDate()
    {
        ControllerRig rig(true);
        rig.autostart.currentStatus = AutostartStatus::enabled;
        rig.launch();
        QVERIFY(rig.model().launchAtLogin());
        QCOMPARE(rig.model().authState(), AuthState::signedIn("ada@example.test"));
        QCOMPARE(rig.model().availableTones().size(), 2);
        QCOMPARE(rig.tap.targets.first(),
                 QKeyCombination(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_L));

        ControllerRig other;
        other.autostart.currentStatus = AutostartStatus::requiresApproval;
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
        // A portal reports the shortcut let go while the app quits; that news must not bind it
        // again.
        const int starts = rig.tap.startCalls;
        rig.delegate->applicationDidBecomeActive();
        QCOMPARE(rig.tap.startCalls, starts);
        QVERIFY(!rig.tap.running);
    }

    void thePanelAndSettingsRefreshCapabilities()
    {
        WindowsRig rig;
        rig.sessionAccess.syntheticPaste = false;
        rig.delegate->toggleQuickPanel();
        QVERIFY(rig.windows.panelShown);
        QCOMPARE(rig.model().accessibilityGranted(), std::optional<bool>(false));
        QVERIFY(rig.log->contains(LogLevel::info, "quick panel opened"));
        rig.sessionAccess.syntheticPaste = true;
        rig.delegate->toggleQuickPanel();
        QVERIFY(!rig.windows.panelShown);
        QCOMPARE(rig.model().accessibilityGranted(), std::optional<bool>(true));
        // Settings close the panel, open one window and refresh the capabilities too.
        rig.delegate->toggleQuickPanel();
        rig.sessionAccess.shortcut = false;
        rig.delegate->openSettings();
        rig.delegate->openSettings();
        QCOMPARE(rig.events.entries(),
                 (QStringList{"panel show", "panel close", "panel show", "panel close",
                              "settings show", "settings show"}));
        QCOMPARE(rig.model().inputMonitoringGranted(), std::optional<bool>(false));
    }

    // The copy goes to whatever is in front: the panel's rewrite waits for the editor to be in
    // front again, and asks for it after eight waits.
    void panelRewriteWaitsForTheEditor_data()
    {
        QTest::addColumn<int>("focusBackAfter"); // waits; 0: once asked for
        QTest::addColumn<QStringList>("beforeTheCopy");
        const QString wait = "sleep 25";
        QTest::newRow("focus comes back") << 3 << QStringList{"panel close", wait, wait, wait};
        QStringList asked{"panel close"};
        for (int i = 0; i < 8; ++i)
            asked << wait;
        QTest::newRow("focus asked for") << 0 << (asked << "activate 4242" << wait);
    }

    void panelRewriteWaitsForTheEditor()
    {
        QFETCH(int, focusBackAfter);
        WindowsRig rig;
        rig.selection.text = QStringLiteral("hello");
        rig.backend.on("POST", "/rewrite", FakeResponse::text(200, "Hello."));
        rig.delegate->toggleQuickPanel(); // the editor is in front
        rig.events.clear();
        rig.workspace.active = RunningApplication{999, 1, QStringLiteral("velto")};
        int waits = 0;
        rig.sleeper.onSleep = [&] {
            if (++waits == focusBackAfter || !rig.workspace.activated.isEmpty())
                rig.workspace.active = rig.sourceApp;
        };
        rig.delegate->rewriteFromQuickPanel();
        rig.waitIdle();
        const QStringList events = rig.events.entries();
        QTEST(events.mid(0, events.indexOf("clipboard clear")), "beforeTheCopy");
        // Pasted into the editor, not into the panel: in front again, it needs no more activation.
        QCOMPARE(events.count("activate 4242"), focusBackAfter ? 0 : 1);
        QCOMPARE(rig.clipboard.stringsWritten, QStringList{"Hello."});
    }

    void launchAtLoginFailureAlertsAndResyncs_data()
    {
        QTest::addColumn<bool>("enable");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<bool>("switchAfter");
        QTest::newRow("on") << true << false << true;
        QTest::newRow("on refused") << true << true << false;
        QTest::newRow("off") << false << false << false;
    }

    void launchAtLoginFailureAlertsAndResyncs()
    {
        QFETCH(bool, enable);
        QFETCH(bool, fails);
        WindowsRig rig;
        if (fails)
            rig.autostart.failure = QStringLiteral("Permission denied");
        rig.model().setLaunchAtLogin(enable);
        rig.delegate->updateLaunchAtLogin(enable);
        QTEST(rig.model().launchAtLogin(), "switchAfter");
        QCOMPARE(rig.autostart.currentStatus == AutostartStatus::enabled, enable && !fails);
        QCOMPARE(rig.activations, fails ? 1 : 0);
        QCOMPARE(rig.alertsShown(),
                 fails ? QStringList{"warning: Launch at login | Permission denied []"}
                       : QStringList{});
    }

    void menuActionsReachTheirServices()
    {
        WindowsRig rig;
        // The help pages open even when the capability already works.
        rig.delegate->openShortcutHelp();
        rig.delegate->openTextReplacementHelp();
        QCOMPARE(rig.sessionAccess.shortcutRequests, 1);
        QCOMPARE(rig.sessionAccess.syntheticPasteRequests, 1);
        QCOMPARE(rig.workspace.openedURLs,
                 (QList<QUrl>{QUrl::fromLocalFile("/help/global-shortcut.html"),
                              QUrl::fromLocalFile("/help/text-replacement.html")}));
        rig.model().setShortcutKeyID("k");
        rig.model().setShortcutRequiresShift(true);
        rig.delegate->applyShortcutChange();
        QCOMPARE(rig.tap.targets.last(),
                 QKeyCombination(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_K));
        rig.delegate->quit();
        QCOMPARE(rig.terminations, 1);
    }
};

VELTO_REGISTER_TEST(AppLifecycleTest);
#include "AppLifecycleTest.moc"
