#include "ControllerRig.h"
#include "support/TestRegistry.h"

using namespace velto;
using namespace velto::test;

namespace {

const ParsedShortcut defaultShortcut{ShortcutKeys::defaultKeyID,
                                     ShortcutKeys::defaultRequiresShift};

// A signed-in controller whose rewrites the backend answers, launched by the test.
struct CapabilityRig : ControllerRig
{
    CapabilityRig() : ControllerRig(true)
    {
        selection.text = QStringLiteral("hello world");
        backend.on("POST", "/rewrite", FakeResponse::text(200, "Hello, world."));
    }

    // GNOME on Wayland before 48: no portal, no data-control, an accessibility bus.
    void gnomeWayland()
    {
        SessionCapabilities gnome;
        gnome.shortcutProblem = QStringLiteral("This desktop has no global shortcut portal.");
        gnome.accessibilityReplacement = true;
        sessionAccess.session = gnome;
        desktopShortcuts.customShortcuts = true;
    }
};

} // namespace

// How the controller reads what the session offers: taken shortcuts, the desktop's custom
// shortcut, and rewrites that need only a way to put the text back.
class CapabilitiesTest : public QObject
{
    Q_OBJECT

private slots:
    void aGrabAnotherProgramHoldsIsTakenAndTheFreeOneArmsTheShortcut()
    {
        CapabilityRig rig;
        rig.tap.nextStartResult = GlobalKeyTap::StartResult::tapUnavailable;
        rig.launch();
        QVERIFY(rig.model().shortcutTaken());
        QCOMPARE(rig.model().uiStatus(), UIStatus::permissionRequired());
        const std::optional<ParsedShortcut> free = rig.model().freeShortcut();
        QVERIFY(free && *free != defaultShortcut);

        rig.tap.nextStartResult = GlobalKeyTap::StartResult::started;
        rig.delegate->useFreeShortcut();
        QVERIFY(rig.tap.running);
        QCOMPARE(rig.tap.targets.last(), ShortcutKeys::combination(*free));
        QVERIFY(!rig.model().shortcutTaken());
        QVERIFY(rig.model().shortcutChosen());
        QCOMPARE(rig.model().uiStatus(), UIStatus::ready());
    }

    void aCombinationTheDesktopBindsIsTakenBeforeAnyKeyIsPressed()
    {
        CapabilityRig rig;
        // Alt makes Super+Alt+K another combination than Super+K, which stays free.
        rig.desktopShortcuts.reserved = {Qt::META | Qt::Key_L, Qt::META | Qt::Key_H,
                                         Qt::META | Qt::ALT | Qt::Key_K};
        rig.preferences.setShortcutKey("l");
        rig.preferences.setShortcutRequiresShift(false);
        rig.launch();
        QVERIFY(rig.model().shortcutTaken());
        QCOMPARE(rig.model().capabilities().unavailableShortcuts,
                 (QList<ParsedShortcut>{{"l", false}, {"h", false}}));
        QCOMPARE(rig.model().freeShortcut(), defaultShortcut);
        rig.delegate->useFreeShortcut();
        QCOMPARE(rig.model().shortcutDisplay(), QStringLiteral("Super+Shift+L"));
        QVERIFY(!rig.model().shortcutTaken());
    }

    void thePortalGivingOtherKeysIsTaken()
    {
        CapabilityRig rig;
        SessionCapabilities plasma;
        plasma.shortcutRoute = GlobalShortcutRoute::desktopPortal;
        plasma.shortcutTaken = true;
        plasma.pasteReplacement = true;
        rig.sessionAccess.session = plasma;
        rig.launch();
        QVERIFY(rig.model().shortcutTaken());
        QVERIFY(rig.model().capabilities().unavailableShortcuts.contains(defaultShortcut));
        QVERIFY(rig.model().freeShortcut() != defaultShortcut);
    }

    void triggerRewritesWithoutAnyShortcut()
    {
        CapabilityRig rig;
        rig.gnomeWayland();
        rig.launch();
        QCOMPARE(rig.model().inputMonitoringGranted(), std::optional<bool>(false));
        rig.delegate->triggerRewriteFromSelection();
        rig.waitIdle();
        QCOMPARE(rig.sent("POST", "/rewrite"), 1);
        QCOMPARE(rig.model().rewriteState().kind(), RewriteState::Kind::succeeded);
    }

    void noWayToReplaceTextIsSaidAndNothingIsRead()
    {
        CapabilityRig rig;
        SessionCapabilities bare;
        bare.shortcutRoute = GlobalShortcutRoute::keyGrab;
        bare.replacementProblem = QStringLiteral("No accessibility bus and no synthetic paste.");
        rig.sessionAccess.session = bare;
        rig.launch();
        rig.delegate->triggerRewriteFromSelection();
        rig.waitIdle();
        QCOMPARE(rig.noticeText(),
                 QStringLiteral("Text replacement unavailable | No accessibility bus and no "
                                "synthetic paste. Open Setup to see what this desktop offers."));
        QCOMPARE(rig.selection.reads, 0);
        QCOMPARE(rig.sent("POST", "/rewrite"), 0);
    }

    void gnomeGetsVeltosCustomShortcutWhichFollowsTheCombination()
    {
        CapabilityRig rig;
        rig.gnomeWayland();
        rig.launch();
        QVERIFY(rig.model().capabilities().canAddDesktopShortcut);

        rig.delegate->addDesktopShortcut();
        QCOMPARE(rig.desktopShortcuts.written,
                 QList<QKeyCombination>{ShortcutKeys::combination(defaultShortcut)});
        QCOMPARE(rig.model().capabilities().shortcutRoute,
                 GlobalShortcutRoute::desktopCustomShortcut);
        QVERIFY(rig.model().capabilities().ownsDesktopShortcut);
        QCOMPARE(rig.model().inputMonitoringGranted(), std::optional<bool>(true));
        QCOMPARE(rig.noticeText(), QStringLiteral("Shortcut added to GNOME | Press Super+Shift+L "
                                                  "in any application to rewrite the selected "
                                                  "text."));

        rig.model().chooseShortcut("k", true);
        rig.delegate->applyShortcutChange();
        QCOMPARE(rig.desktopShortcuts.written.last(), Qt::META | Qt::SHIFT | Qt::Key_K);

        rig.delegate->removeDesktopShortcut();
        QCOMPARE(rig.desktopShortcuts.removals, 1);
        QCOMPARE(rig.model().capabilities().shortcutRoute, GlobalShortcutRoute::unavailable);
        QVERIFY(rig.model().capabilities().canAddDesktopShortcut);
    }

    void aCustomShortcutTheUserMadeIsUsedButNeverRewritten()
    {
        CapabilityRig rig;
        rig.gnomeWayland();
        rig.desktopShortcuts.trigger = TriggerShortcut{Qt::META | Qt::Key_J, false};
        rig.launch();
        QCOMPARE(rig.model().capabilities().shortcutRoute,
                 GlobalShortcutRoute::desktopCustomShortcut);
        QVERIFY(!rig.model().capabilities().ownsDesktopShortcut);
        rig.model().chooseShortcut("k", true);
        rig.delegate->applyShortcutChange();
        QVERIFY(rig.desktopShortcuts.written.isEmpty());
    }

    void aLockedGnomeSettingIsSaid()
    {
        CapabilityRig rig;
        rig.gnomeWayland();
        rig.desktopShortcuts.refuseWrites = true;
        rig.launch();
        rig.delegate->addDesktopShortcut();
        QCOMPARE(rig.model().notice()->title, QStringLiteral("Shortcut not added"));
        QCOMPARE(rig.model().notice()->message, DesktopShortcutsError::refused().description());
        QCOMPARE(rig.model().capabilities().shortcutRoute, GlobalShortcutRoute::unavailable);
    }
};

VELTO_REGISTER_TEST(CapabilitiesTest);
#include "CapabilitiesTest.moc"
