#include "ControllerRig.h"
#include "support/TestRegistry.h"
#include "ui/QuickPanelPresenter.h"
#include "ui/SettingsPresenter.h"
#include "ui/ShortcutEditor.h"
#include "x11/support/X11Rig.h"
#include "x11/support/XTestKeyboard.h"

#include <QTest>

using namespace velto;
using namespace velto::test;

namespace {

// The controller on the real key grab of this X server; every other service is a fake.
struct GrabbingControllerRig : ControllerRig
{
    GrabbingControllerRig() : ControllerRig(true)
    {
        delegate = std::make_unique<AppDelegate>(
            services(x11.sessionAccess, x11.tap, x11.monitor, desktopShortcuts));
        selection.text = QStringLiteral("hello world");
        backend.on("POST", "/rewrite", FakeResponse::text(200, "Hello, world."));
    }

    // The controller goes before the key grab it holds.
    ~GrabbingControllerRig()
    {
        waitIdle();
        delegate.reset();
    }

    X11Rig x11;
};

} // namespace

// Another client holds Velto's combination before Velto starts, as GNOME and Plasma hold
// Super+L for the lock screen: Velto says so where the user looks and offers a free one, which
// then works.
class TakenShortcutTest : public QObject
{
    Q_OBJECT

private slots:
    void aCombinationAnotherClientGrabbedIsTakenAndTheFreeOneWorks()
    {
        XTestKeyboard keyboard;
        X11Rig desktop;
        desktop.hotkeys.configure(ShortcutKeys::combination(ShortcutKeys::defaultKeyID,
                                                            ShortcutKeys::defaultRequiresShift));
        QVERIFY(desktop.hotkeys.start());

        GrabbingControllerRig rig;
        rig.launch();
        AppModel& model = rig.model();
        QVERIFY(model.shortcutTaken());
        // The panel header, the setup card and the shortcut editor.
        QCOMPARE(QuickPanelPresenter::statusSelection(model).headline,
                 QStringLiteral("Super+Shift+L is taken"));
        QCOMPARE(QuickPanelPresenter::setupPrimaryButton(model).title,
                 QStringLiteral("Use Super+Shift+A"));
        QCOMPARE(ShortcutEditor(model, {}).takenLine(),
                 QStringLiteral("Super+Shift+L is taken by another program or by the desktop."));
        QCOMPARE(SettingsPresenter::shortcutRow(model).buttonTitle,
                 QStringLiteral("Use Super+Shift+A"));

        rig.delegate->useFreeShortcut();
        QVERIFY(!model.shortcutTaken());
        QCOMPARE(rig.delegate->hotkeyManager().mechanism(), HotkeyManager::Mechanism::tap);
        keyboard.chord({TestKeyboard::superL, TestKeyboard::shiftL}, 'a');
        QTRY_VERIFY_WITH_TIMEOUT(rig.sent("POST", "/rewrite") == 1, 10000);
        rig.waitIdle();
        // The combination the other client holds still reaches it, not Velto.
        keyboard.chord({TestKeyboard::superL, TestKeyboard::shiftL}, 'l');
        QTRY_COMPARE_WITH_TIMEOUT(desktop.presses, 1, 5000);
        rig.waitIdle();
        QCOMPARE(rig.sent("POST", "/rewrite"), 1);
    }
};

VELTO_REGISTER_TEST(TakenShortcutTest);
#include "TakenShortcutTest.moc"
