#include "ControllerRig.h"
#include "app/AppWindows.h"
#include "support/TestRegistry.h"

using namespace velto;
using namespace velto::test;

namespace {

// The panel and window as calls in the shared event log.
struct RecordingWindows : AppWindows
{
    explicit RecordingWindows(FakeEventLog& log) : log(log) {}
    bool quickPanelShown() override { return panelShown; }
    void showQuickPanel() override
    {
        panelShown = true;
        log.add(QStringLiteral("panel show"));
    }
    void showSettings() override { log.add(QStringLiteral("settings show")); }
    void closeQuickPanel() override
    {
        if (std::exchange(panelShown, false))
            log.add(QStringLiteral("panel close"));
    }

    FakeEventLog& log;
    bool panelShown = false;
};

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
        rig.workspace.frontmost = RunningApplication{999, 1, QStringLiteral("velto")};
        int waits = 0;
        rig.sleeper.onSleep = [&] {
            if (++waits == focusBackAfter || !rig.workspace.activated.isEmpty())
                rig.workspace.frontmost = rig.sourceApp;
        };
        rig.delegate->rewriteFromQuickPanel();
        rig.waitIdle();
        const QStringList events = rig.events.entries();
        QTEST(events.mid(0, events.indexOf("pasteboard clear")), "beforeTheCopy");
        // Pasted into the editor, not into the panel.
        QCOMPARE(events.count("activate 4242"), focusBackAfter ? 1 : 2);
        QCOMPARE(rig.pasteboard.stringsWritten, QStringList{"Hello."});
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
        QCOMPARE(rig.activations, fails ? 1 : 0);
        QCOMPARE(rig.alerts.shown.size(), fails ? 1 : 0);
        if (fails) {
            const Alert& alert = rig.alerts.shown.first();
            QCOMPARE(alert.messageText, "Launch at login");
            QCOMPARE(alert.style, AlertStyle::warning);
            QVERIFY2(alert.informativeText.contains("Permission denied"),
                     qPrintable(alert.informativeText));
        }
    }

    void menuActionsReachTheirServices()
    {
        WindowsRig rig;
        // The help pages open even when the permission is already granted.
        rig.delegate->openInputMonitoringSettings();
        rig.delegate->openAccessibilitySettings();
        QCOMPARE(rig.permissions.inputMonitoringRequests, 1);
        QCOMPARE(rig.permissions.accessibilityPrompts, 1);
        QCOMPARE(rig.workspace.openedURLs,
                 (QList<QUrl>{QUrl::fromLocalFile("/help/input-monitoring.html"),
                              QUrl::fromLocalFile("/help/accessibility.html")}));
        rig.model().setShortcutKeyID("k");
        rig.model().setShortcutRequiresShift(true);
        rig.delegate->applyShortcutChange();
        QCOMPARE(rig.tap.targets.last(),
                 (QPair<std::int64_t, bool>{ShortcutKeys::keyCode("k"), true}));
        rig.delegate->quit();
        QCOMPARE(rig.terminations, 1);
    }
};

VELTO_REGISTER_TEST(WindowHandlersTest);
#include "WindowHandlersTest.moc"
