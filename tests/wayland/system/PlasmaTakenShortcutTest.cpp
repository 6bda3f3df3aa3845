#include "ControllerRig.h"
#include "platform/linux/KGlobalAccelShortcuts.h"
#include "support/TestRegistry.h"
#include "ui/QuickPanelPresenter.h"
#include "ui/ShortcutEditor.h"
#include "wayland/support/BareBus.h"
#include "wayland/support/PortalKeyboard.h"
#include "wayland/support/WaylandRig.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTest>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::test;
using namespace Qt::Literals::StringLiterals;

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
        return QDBusMessage::createMethodCall(QStringLiteral("org.kde.kglobalaccel"),
                                              QStringLiteral("/kglobalaccel"),
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

// One action in kglobalaccel's a(ssssssaiai): ids and names of action, component and context,
// the keys in use and the default keys.
struct ShortcutInfo
{
    QStringList names;
    QList<int> keys;
};

QDBusArgument& operator<<(QDBusArgument& argument, const ShortcutInfo& info)
{
    argument.beginStructure();
    for (int i = 0; i < 6; ++i)
        argument << info.names.value(i);
    argument << info.keys << info.keys;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ShortcutInfo&)
{
    return argument; // only ever sent
}

} // namespace

Q_DECLARE_METATYPE(ShortcutInfo)

namespace {

// kglobalaccel as a peer that may answer anything: a listing of components, a component
// that answers in form and one that does not.
class FakeListing : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.KGlobalAccel")

public slots:
    QList<QDBusObjectPath> allComponents()
    {
        return {QDBusObjectPath(QStringLiteral("/component/fine")),
                QDBusObjectPath(QStringLiteral("/component/strange")),
                QDBusObjectPath(QStringLiteral("/component/missing"))};
    }
};

class FakeComponent : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kglobalaccel.Component")

public slots:
    QList<ShortcutInfo> allShortcutInfos()
    {
        const QStringList names{u"act"_s, u"Act"_s, u"fine"_s, u"Fine"_s, u"default"_s, u"D"_s};
        // Super+Shift+K, and what Velto never offers: Ctrl+Alt+T, Super+1, nonsense.
        return {{names,
                 {(Qt::META | Qt::SHIFT | Qt::Key_K).toCombined(),
                  (Qt::CTRL | Qt::ALT | Qt::Key_T).toCombined(),
                  (Qt::META | Qt::Key_1).toCombined(), -1, 0}}};
    }
};

class StrangeComponent : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kglobalaccel.Component")

public slots:
    QStringList allShortcutInfos() { return {u"Meta+Shift+J"_s}; }
};

// The controller on the real portal shortcut and Plasma's real kglobalaccel; every other
// service is a fake.
struct PortalControllerRig : ControllerRig
{
    PortalControllerRig() : ControllerRig(true)
    {
        delegate = std::make_unique<AppDelegate>(
            services(wayland.sessionAccess, wayland.tap, wayland.monitor, plasma));
        // The app asks again whenever the portal's or Plasma's answer changes.
        const auto askAgain = [this] {
            if (delegate)
                delegate->applicationDidBecomeActive();
        };
        QObject::connect(&wayland.tap, &PortalKeyTap::stateChanged, askAgain);
        QObject::connect(&wayland.tap, &PortalKeyTap::triggerChanged, askAgain);
        QObject::connect(&plasma, &KGlobalAccelShortcuts::reservedShortcutsChanged, askAgain);
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
        QTRY_VERIFY_WITH_TIMEOUT(model.shortcutTaken(), 5000);
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
        QCoro::waitFor(rig.plasma.refresh());
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
        QVERIFY(velto.reservedShortcuts().isEmpty());
        QCoro::waitFor(velto.refresh());
        const QList<QKeyCombination> reserved = velto.reservedShortcuts();
        QVERIFY(reserved.contains(superShiftL));
        QVERIFY(!reserved.contains(superShiftA));
        KGlobalAccelShortcuts someoneElse(QDBusConnection::sessionBus(), {});
        QCoro::waitFor(someoneElse.refresh());
        QVERIFY(someoneElse.reservedShortcuts().contains(superShiftA));
        tap.stop();
    }

    void anAnswerOutOfFormIsSkippedAndNoAnswerKeepsTheLastOne()
    {
        qDBusRegisterMetaType<ShortcutInfo>();
        qDBusRegisterMetaType<QList<ShortcutInfo>>();
        BareBus bareBus;
        std::optional<QDBusConnection> bus = bareBus.start();
        QVERIFY(bus);
        FakeListing listing;
        FakeComponent fine;
        StrangeComponent strange;
        QVERIFY(bus->registerObject(u"/kglobalaccel"_s, &listing, QDBusConnection::ExportAllSlots));
        QVERIFY(bus->registerObject(u"/component/fine"_s, &fine, QDBusConnection::ExportAllSlots));
        QVERIFY(bus->registerObject(u"/component/strange"_s, &strange,
                                    QDBusConnection::ExportAllSlots));
        QVERIFY(bus->registerService(u"org.kde.kglobalaccel"_s));

        KGlobalAccelShortcuts plasma(*bus, {});
        QCoro::waitFor(plasma.refresh());
        const QList<QKeyCombination> superShiftK{Qt::META | Qt::SHIFT | Qt::Key_K};
        QCOMPARE(plasma.reservedShortcuts(), superShiftK);

        // kglobalaccel gone: the last answer stands rather than everything turning free.
        QVERIFY(bus->unregisterService(u"org.kde.kglobalaccel"_s));
        QCoro::waitFor(plasma.refresh());
        QCOMPARE(plasma.reservedShortcuts(), superShiftK);
    }
};

VELTO_REGISTER_TEST(PlasmaTakenShortcutTest);
#include "PlasmaTakenShortcutTest.moc"
