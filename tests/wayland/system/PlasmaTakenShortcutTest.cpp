#include "ControllerRig.h"
#include "platform/linux/KGlobalAccelShortcuts.h"
#include "support/TestRegistry.h"
#include "ui/QuickPanelPresenter.h"
#include "ui/ShortcutEditor.h"
#include "wayland/support/PortalKeyboard.h"
#include "wayland/support/WaylandRig.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QTest>

using namespace velto;
using namespace velto::test;

namespace {

const QKeyCombination superShiftL(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_L);
const QKeyCombination superShiftA(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_A);

// Another program's action in Plasma's kglobalaccel, holding a combination as Plasma's own
// programs hold theirs (the lock screen holds Super+L).
bool registerForeignShortcut(QKeyCombination keys)
{
    const QStringList action{QStringLiteral("lock"), QStringLiteral("Lock it"),
                             QStringLiteral("otherapp"), QStringLiteral("Other App")};
    const auto kglobalaccel = [](const QString& method) {
        return QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.kglobalaccel"), QStringLiteral("/kglobalaccel"),
            QStringLiteral("org.kde.KGlobalAccel"), method);
    };
    QDBusMessage doRegister = kglobalaccel(QStringLiteral("doRegister"));
    doRegister << action;
    if (QDBusConnection::sessionBus().call(doRegister).type() != QDBusMessage::ReplyMessage)
        return false;
    // Present, and these keys rather than any the daemon remembers.
    constexpr uint setPresent = 2;
    constexpr uint noAutoloading = 4;
    QDBusMessage setShortcut = kglobalaccel(QStringLiteral("setShortcut"));
    setShortcut << action << QVariant::fromValue(QList<int>{keys.toCombined()})
                << uint(setPresent | noAutoloading);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(setShortcut);
    return reply.type() == QDBusMessage::ReplyMessage &&
           reply.arguments().value(0).value<QDBusArgument>().currentSignature() == u"ai";
}

// The controller on the real portal shortcut and Plasma's real kglobalaccel; every other
// service is a fake.
struct PortalControllerRig : ControllerRig
{
    PortalControllerRig() : ControllerRig(true)
    {
        delegate = std::make_unique<AppDelegate>(
            services(wayland.sessionAccess, wayland.tap, wayland.monitor, plasma));
        // The app asks again whenever the portal's answer changes.
        QObject::connect(&wayland.tap, &PortalKeyTap::stateChanged,
                         [this] {
            if (delegate)
                delegate->applicationDidBecomeActive();
        });
        QObject::connect(&wayland.tap, &PortalKeyTap::triggerChanged,
                         [this] {
            if (delegate)
                delegate->applicationDidBecomeActive();
        });
        selection.text = QStringLiteral("hello world");
        backend.on("POST", "/rewrite", FakeResponse::text(200, "Hello, world."));
    }

    ~PortalControllerRig()
    {
        waitIdle();
        delegate.reset();
    }

    WaylandRig wayland;
    KGlobalAccelShortcuts plasma{QDBusConnection::sessionBus(), {PortalKeyTap::sessionToken}};
};

} // namespace

// Plasma's portal answers with the keys it was asked for even when kglobalaccel gave them to
// another program; pressed, they run that program's action. Velto reads kglobalaccel, says the
// combination is taken and offers one Plasma has free, which then works.
class PlasmaTakenShortcutTest : public QObject
{
    Q_OBJECT

private slots:
    void aCombinationAnotherProgramHoldsIsTakenAndTheFreeOneWorks()
    {
        QVERIFY(registerForeignShortcut(superShiftL));
        PortalKeyboard keyboard;
        QVERIFY(keyboard.start());

        PortalControllerRig rig;
        rig.launch();
        AppModel& model = rig.model();
        QTRY_COMPARE_WITH_TIMEOUT(rig.wayland.tap.state(), PortalKeyTap::State::bound, 15000);
        QVERIFY(model.shortcutTaken());
        QCOMPARE(QuickPanelPresenter::statusSelection(model).headline,
                 QStringLiteral("Super+Shift+L is taken"));
        QCOMPARE(QuickPanelPresenter::setupPrimaryButton(model).title,
                 QStringLiteral("Use Super+Shift+A"));
        QCOMPARE(ShortcutEditor(model, {}).takenLine(),
                 QStringLiteral("Super+Shift+L is taken by another program or by the desktop."));

        rig.delegate->useFreeShortcut();
        QVERIFY(!model.shortcutTaken());
        QTRY_VERIFY_WITH_TIMEOUT(rig.wayland.tap.trigger().contains(u'A'), 15000);
        QCOMPARE(rig.wayland.tap.state(), PortalKeyTap::State::bound);
        // Read again once bound: kglobalaccel gave the new keys to Velto.
        rig.delegate->applicationDidBecomeActive();
        QVERIFY(!model.shortcutTaken());
        keyboard.chord({TestKeyboard::superL, TestKeyboard::shiftL}, 'a');
        QTRY_VERIFY_WITH_TIMEOUT(rig.sent("POST", "/rewrite") == 1, 10000);
        rig.waitIdle();
    }

    void keysOfVeltosOwnComponentAreNotReserved()
    {
        QVERIFY(registerForeignShortcut(superShiftL));
        PortalKeyTap tap(QDBusConnection::sessionBus());
        tap.start(superShiftA, [](QKeyCombination) { return true; });
        QTRY_COMPARE_WITH_TIMEOUT(tap.state(), PortalKeyTap::State::bound, 15000);

        // kglobalaccel keeps Velto's binding under its portal session's component.
        KGlobalAccelShortcuts velto(QDBusConnection::sessionBus(), {PortalKeyTap::sessionToken});
        const QList<QKeyCombination> reserved = velto.reservedShortcuts();
        QVERIFY(reserved.contains(superShiftL));
        QVERIFY(!reserved.contains(superShiftA));
        KGlobalAccelShortcuts someoneElse(QDBusConnection::sessionBus(), {});
        QVERIFY(someoneElse.reservedShortcuts().contains(superShiftA));
        tap.stop();
    }
};

VELTO_REGISTER_TEST(PlasmaTakenShortcutTest);
#include "PlasmaTakenShortcutTest.moc"
