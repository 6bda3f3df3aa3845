#include "system/HotkeyManager.h"
#include "fakes/platform/FakeGlobalKeyMonitor.h"
#include "fakes/platform/FakeGlobalKeyTap.h"
#include "fakes/platform/FakeSessionAccess.h"

#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;
using namespace velto::fakes;

namespace {

constexpr Qt::KeyboardModifiers super = Qt::MetaModifier;
constexpr Qt::KeyboardModifiers superShift = Qt::MetaModifier | Qt::ShiftModifier;
const QKeyCombination superL{super, Qt::Key_L};
const QKeyCombination superShiftD{superShift, Qt::Key_D};

const QString refused = QStringLiteral(
    "Could not take the shortcut: the key grab or the desktop's shortcut portal refused it");

// A manager over fake ports that counts the hotkeys it reports.
struct Rig
{
    explicit Rig(bool shortcut = true)
    {
        sessionAccess.shortcut = shortcut;
        manager.emplace(sessionAccess, tap, monitor);
        manager->onHotkey = [this] { ++calls; };
    }

    FakeSessionAccess sessionAccess;
    FakeGlobalKeyTap tap;
    FakeGlobalKeyMonitor monitor;
    std::optional<HotkeyManager> manager;
    int calls = 0;
};

struct MatchRow
{
    const char* name;
    bool requiresShift;
    QKeyCombination press;
    bool matches;
};

const MatchRow matchRows[] = {
    {"Super+L", false, superL, true},
    {"Super+L on the keypad", false, QKeyCombination(super | Qt::KeypadModifier, Qt::Key_L), true},
    {"Super+Shift+L, Shift not wanted", false, QKeyCombination(superShift, Qt::Key_L), false},
    {"Super+Alt+L", false, QKeyCombination(super | Qt::AltModifier, Qt::Key_L), false},
    {"Ctrl+Super+L", false, QKeyCombination(super | Qt::ControlModifier, Qt::Key_L), false},
    {"L alone", false, QKeyCombination(Qt::NoModifier, Qt::Key_L), false},
    {"Shift+L without Super", false, QKeyCombination(Qt::ShiftModifier, Qt::Key_L), false},
    {"Super+K", false, QKeyCombination(super, Qt::Key_K), false},
    {"Super with a key that is not a letter", false, QKeyCombination(super, Qt::Key_unknown),
     false},
    {"Super+Shift+L, Shift wanted", true, QKeyCombination(superShift, Qt::Key_L), true},
    {"Super+L, Shift wanted", true, superL, false},
};

QKeyCombination shortcutL(bool requiresShift)
{
    return ShortcutKeys::combination(QStringLiteral("l"), requiresShift);
}

} // namespace

class HotkeyManagerTest : public QObject
{
    Q_OBJECT

private slots:
    void aRefusedTapSaysTheShortcutIsTakenAndDoesNotFallBack()
    {
        Rig rig;
        rig.tap.nextStartResult = GlobalKeyTap::StartResult::tapUnavailable;
        QVERIFY(!rig.manager->start());
        QCOMPARE(rig.manager->lastError().value_or(QString()), refused);
        QVERIFY(rig.manager->shortcutTaken());
        QCOMPARE(rig.manager->mechanism(), HotkeyManager::Mechanism::none);
        QCOMPARE(rig.monitor.installCalls, 0);
    }

    void aLaterStartThatSucceedsClearsTheTakenShortcut()
    {
        Rig rig;
        rig.tap.nextStartResult = GlobalKeyTap::StartResult::tapUnavailable;
        QVERIFY(!rig.manager->start());
        rig.tap.nextStartResult = GlobalKeyTap::StartResult::started;
        QVERIFY(rig.manager->start());
        QVERIFY(!rig.manager->shortcutTaken());
        QVERIFY(!rig.manager->lastError());
    }

    void withoutATapAndWithoutSyntheticKeysNothingStarts()
    {
        Rig rig(false);
        rig.sessionAccess.syntheticPaste = false;
        QVERIFY(!rig.manager->start());
        QCOMPARE(rig.manager->lastError().value_or(QString()),
                 "No global shortcut in this session, and no synthetic keys for the fallback key "
                 "monitor.");
        QCOMPARE(rig.monitor.installCalls, 0);
        // Nobody holds the combination: it is not shown as taken.
        QVERIFY(!rig.manager->shortcutTaken());
    }

    void aMonitorThatCannotBeInstalledIsReported()
    {
        Rig rig(false);
        rig.monitor.installSucceeds = false;
        QVERIFY(!rig.manager->start());
        QCOMPARE(rig.manager->lastError().value_or(QString()),
                 "Failed to install fallback hotkey monitor.");
        QCOMPARE(rig.manager->mechanism(), HotkeyManager::Mechanism::none);
        QVERIFY(!rig.manager->shortcutTaken());
    }

    void fallsBackToTheMonitorAndRequestsAccessOnEachAttempt()
    {
        Rig rig(false);
        rig.sessionAccess.syntheticPaste = false;
        QVERIFY(!rig.manager->start());
        QVERIFY(!rig.manager->start());
        QCOMPARE(rig.sessionAccess.shortcutRequests, 2);
        QCOMPARE(rig.sessionAccess.syntheticPasteRequests, 2);

        rig.sessionAccess.syntheticPaste = true;
        QVERIFY(rig.manager->start());
        QVERIFY(!rig.manager->lastError());
        QCOMPARE(rig.manager->mechanism(), HotkeyManager::Mechanism::monitor);
        // A running monitor is kept even once the tap becomes possible.
        rig.sessionAccess.shortcut = true;
        QVERIFY(rig.manager->start());
        QCOMPARE(rig.tap.startCalls, 0);
        QCOMPARE(rig.monitor.installCalls, 1);
    }

    void theTapSwallowsExactlyTheShortcut_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(matchRows)); ++i)
            QTest::newRow(matchRows[i].name) << i;
    }
    void theTapSwallowsExactlyTheShortcut()
    {
        QFETCH(int, row);
        const MatchRow& r = matchRows[row];
        Rig rig;
        rig.manager->configure(shortcutL(r.requiresShift));
        QVERIFY(rig.manager->start());
        // Swallowed exactly when it matches; everything else reaches the application.
        QCOMPARE(rig.tap.press(r.press), r.matches);
        QCOMPARE(rig.calls, r.matches ? 1 : 0);
        // Every repeat of a held shortcut counts.
        QCOMPARE(rig.tap.press(r.press), r.matches);
        QCOMPARE(rig.calls, r.matches ? 2 : 0);
    }

    void theMonitorReportsExactlyTheShortcut_data() { theTapSwallowsExactlyTheShortcut_data(); }
    void theMonitorReportsExactlyTheShortcut()
    {
        QFETCH(int, row);
        const MatchRow& r = matchRows[row];
        Rig rig(false);
        rig.manager->configure(shortcutL(r.requiresShift));
        QVERIFY(rig.manager->start());
        QCOMPARE(rig.manager->mechanism(), HotkeyManager::Mechanism::monitor);
        rig.monitor.press(r.press);
        QCOMPARE(rig.calls, r.matches ? 1 : 0);
    }

    void theTapStartsOnceHoweverOftenAsked()
    {
        Rig rig;
        QCOMPARE(rig.manager->target(), superL);
        QVERIFY(rig.manager->start());
        QVERIFY(rig.manager->start());
        QCOMPARE(rig.tap.startCalls, 1);
        QCOMPARE(rig.tap.targets, QList<QKeyCombination>{superL});
        QCOMPARE(rig.manager->mechanism(), HotkeyManager::Mechanism::tap);
        QCOMPARE(rig.sessionAccess.shortcutRequests, 0);
        QCOMPARE(rig.monitor.installCalls, 0);
    }

    void aNewShortcutMovesTheRunningTapWithoutARestart()
    {
        Rig rig;
        QVERIFY(rig.manager->start());
        rig.manager->configure(superShiftD);
        QCOMPARE(rig.tap.startCalls, 1);
        QCOMPARE(rig.tap.stopCalls, 0);
        QCOMPARE(rig.tap.targets.last(), superShiftD);
        QVERIFY(rig.tap.press(superShiftD));
        QVERIFY(!rig.tap.press(superL));
        QCOMPARE(rig.calls, 1);
        QCOMPARE(rig.manager->target(), superShiftD);
    }

    void aShortcutTheTapCannotMoveToIsReportedAtTheNextStart()
    {
        Rig rig;
        QVERIFY(rig.manager->start());
        rig.tap.retargetSucceeds = false;
        rig.tap.nextStartResult = GlobalKeyTap::StartResult::tapUnavailable;
        rig.manager->configure(superShiftD);
        QCOMPARE(rig.manager->mechanism(), HotkeyManager::Mechanism::none);
        QVERIFY(!rig.manager->start());
        QCOMPARE(rig.manager->lastError().value_or(QString()), refused);
    }

    void theMonitorFollowsANewShortcut()
    {
        Rig rig(false);
        QVERIFY(rig.manager->start());
        rig.manager->configure(superShiftD);
        rig.monitor.press(superShiftD);
        rig.monitor.press(superL);
        QCOMPARE(rig.calls, 1);
    }

    void aMonitorPressAfterTheManagerIsGoneDoesNothing()
    {
        Rig rig(false);
        QVERIFY(rig.manager->start());
        rig.manager.reset();
        QCOMPARE(rig.monitor.removeCalls, 1);
        rig.monitor.press(superL);
        QCOMPARE(rig.calls, 0);
    }

    void aShortcutConfiguredBeforeStartIsTheOneWatched()
    {
        Rig rig;
        rig.manager->configure(superShiftD);
        QCOMPARE(rig.tap.startCalls, 0);
        QVERIFY(rig.tap.targets.isEmpty());
        QVERIFY(rig.manager->start());
        QCOMPARE(rig.tap.targets, QList<QKeyCombination>{superShiftD});
    }

    void stopKeepsTheShortcutAndTheHandlerForTheNextStart()
    {
        Rig rig;
        rig.manager->configure(superShiftD);
        QVERIFY(rig.manager->start());
        rig.manager->stop();
        QCOMPARE(rig.tap.stopCalls, 1);
        QVERIFY(!rig.tap.press(superShiftD));
        QCOMPARE(rig.manager->mechanism(), HotkeyManager::Mechanism::none);
        QCOMPARE(rig.manager->target(), superShiftD);
        QVERIFY(rig.manager->start());
        QCOMPARE(rig.tap.startCalls, 2);
        QVERIFY(rig.tap.press(superShiftD));
        QCOMPARE(rig.calls, 1);
        rig.manager.reset(); // destruction stops the tap
        QCOMPARE(rig.tap.stopCalls, 2);
    }
};

VELTO_REGISTER_TEST(HotkeyManagerTest);
#include "HotkeyManagerTest.moc"
