#include "ControllerRig.h"
#include "RecordingWindows.h"
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
        delegate->setPermissionPages([](AppDelegate::PermissionPane pane) {
            return QUrl::fromLocalFile(pane == AppDelegate::PermissionPane::inputMonitoring
                                           ? "/help/input-monitoring.html"
                                           : "/help/accessibility.html");
        });
        launch();
        events.clear();
    }
    RecordingWindows windows{events};
};

} // namespace

class WindowHandlersTest : public QObject
{
    Q_OBJECT

private slots:
    void clickingTwiceOpensThenClosesAndRefreshesPermissions()
    {
        WindowsRig rig;
        rig.permissions.accessibility = false;
        rig.delegate->toggleQuickPanel();
        QVERIFY(rig.windows.panelShown);
        QCOMPARE(rig.model().accessibilityGranted(), std::optional<bool>(false));
        QVERIFY(rig.log->contains(LogLevel::info, "quick panel opened"));
        rig.permissions.accessibility = true;
        rig.delegate->toggleQuickPanel();
        QVERIFY(!rig.windows.panelShown);
        QCOMPARE(rig.model().accessibilityGranted(), std::optional<bool>(true));
        QCOMPARE(rig.events.entries(), (QStringList{"panel show", "panel close"}));
    }

    void panelRewriteClosesThePanelAndWaitsForTheEditor()
    {
        WindowsRig rig;
        rig.selection.text = QStringLiteral("hello");
        rig.backend.on("POST", "/rewrite", FakeResponse::text(200, "Hello."));
        rig.delegate->toggleQuickPanel(); // the editor is in front
        rig.events.clear();
        const RunningApplication panel{999, 1, QStringLiteral("velto")};
        rig.workspace.frontmost = panel;
        int waits = 0;
        rig.sleeper.onSleep = [&rig, &waits] {
            if (++waits == 3)
                rig.workspace.frontmost = rig.sourceApp;
        };
        rig.delegate->rewriteFromQuickPanel();
        rig.waitIdle();
        const QStringList events = rig.events.entries();
        QCOMPARE(events.first(), "panel close");
        QCOMPARE(events.mid(1, 3), (QStringList{"sleep 25", "sleep 25", "sleep 25"}));
        // Pasted into the editor, not into the panel.
        QVERIFY(events.contains("activate 4242"));
        QCOMPARE(rig.pasteboard.stringsWritten, QStringList{"Hello."});
    }

    void panelRewriteAsksForTheEditorWhenTheFocusDoesNotComeBack()
    {
        WindowsRig rig;
        rig.delegate->toggleQuickPanel();
        rig.workspace.frontmost = RunningApplication{999, 1, QStringLiteral("velto")};
        rig.sleeper.onSleep = [&rig] {
            if (!rig.workspace.activated.isEmpty())
                rig.workspace.frontmost = rig.workspace.activated.last();
        };
        rig.delegate->rewriteFromQuickPanel();
        rig.waitIdle();
        QCOMPARE(rig.workspace.activated.first(), rig.sourceApp);
        QVERIFY(rig.sleeper.sleeps.size() < 40);
    }

    void settingsCloseThePanelAndOpenOneWindow()
    {
        WindowsRig rig;
        rig.delegate->toggleQuickPanel();
        rig.permissions.inputMonitoring = false;
        rig.delegate->openSettings();
        rig.delegate->openSettings();
        QCOMPARE(rig.events.entries(),
                 (QStringList{"panel show", "panel close", "settings show", "settings show"}));
        QCOMPARE(rig.model().inputMonitoringGranted(), std::optional<bool>(false));
    }

    void permissionLinksOpenTheHelpPagesEvenWhenGranted()
    {
        WindowsRig rig;
        rig.delegate->openInputMonitoringSettings();
        rig.delegate->openAccessibilitySettings();
        QCOMPARE(rig.permissions.inputMonitoringRequests, 1);
        QCOMPARE(rig.permissions.accessibilityPrompts, 1);
        QCOMPARE(rig.workspace.openedURLs,
                 (QList<QUrl>{QUrl::fromLocalFile("/help/input-monitoring.html"),
                              QUrl::fromLocalFile("/help/accessibility.html")}));
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
            rig.loginItems.failure = QStringLiteral("Permission denied");
        rig.model().setLaunchAtLogin(enable);
        rig.delegate->updateLaunchAtLogin(enable);
        QTEST(rig.model().launchAtLogin(), "switchAfter");
        QCOMPARE(rig.loginItems.currentStatus == LoginItemStatus::enabled, enable && !fails);
        QCOMPARE(rig.alerts.shown.size(), fails ? 1 : 0);
        if (fails) {
            QCOMPARE(rig.alerts.shown.first().messageText, "Launch at login");
            QCOMPARE(rig.alerts.shown.first().style, AlertStyle::warning);
            QVERIFY(rig.alerts.shown.first().informativeText.contains("Permission denied"));
            QCOMPARE(rig.activations, 1);
        }
    }

    void shortcutChangeRetargetsTheListener()
    {
        WindowsRig rig;
        rig.model().setShortcutKeyID("k");
        rig.model().setShortcutRequiresShift(true);
        rig.delegate->applyShortcutChange();
        QCOMPARE(rig.tap.targets.last(),
                 (QPair<std::int64_t, bool>{ShortcutKeys::keyCode("k"), true}));
    }

    void quitTerminates()
    {
        WindowsRig rig;
        rig.delegate->quit();
        QCOMPARE(rig.terminations, 1);
    }
};

VELTO_REGISTER_TEST(WindowHandlersTest);
#include "WindowHandlersTest.moc"
