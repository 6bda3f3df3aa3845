#include "system/HotkeyManager.h"
#include "fakes/platform/FakeGlobalKeyMonitor.h"
#include "fakes/platform/FakeGlobalKeyTap.h"
#include "fakes/platform/FakePermissions.h"

#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;
using namespace velto::fakes;

namespace {

constexpr std::uint64_t cmd = KeyModifier::command;
constexpr std::uint64_t shift = KeyModifier::shift;
constexpr std::uint64_t opt = KeyModifier::option;
constexpr std::uint64_t ctrl = KeyModifier::control;
constexpr std::uint64_t caps = KeyModifier::capsLock;
constexpr std::int64_t keyL = 37;
constexpr std::int64_t keyD = 2;

// A manager over fake ports that counts the hotkeys it reports.
struct Rig
{
    explicit Rig(bool inputMonitoring = true)
    {
        permissions.inputMonitoring = inputMonitoring;
        manager.emplace(permissions, tap, monitor);
        manager->onHotkey = [this] { ++calls; };
    }

    FakePermissions permissions;
    FakeGlobalKeyTap tap;
    FakeGlobalKeyMonitor monitor;
    std::optional<HotkeyManager> manager;
    int calls = 0;
};

const struct TapRow
{
    const char* name;
    bool requiresShift;
    qint64 keyCode;
    quint64 flags;
    bool matches;
} tapRows[] = {
    {"cmd+L", false, keyL, cmd, true},
    {"cmd+L caps lock", false, keyL, cmd | caps, true},
    {"cmd+L numeric pad", false, keyL, cmd | KeyModifier::numericPad, true},
    {"cmd+shift+L", false, keyL, cmd | shift, false},
    {"cmd+opt+L", false, keyL, cmd | opt, false},
    {"ctrl+cmd+L", false, keyL, cmd | ctrl, false},
    {"L alone", false, keyL, 0, false},
    {"cmd+K", false, 40, cmd, false},
    {"not a letter", false, KeyPress::noKeyCode, cmd, false},
    {"shift required, cmd+shift+L", true, keyL, cmd | shift, true},
    {"shift required, cmd+L", true, keyL, cmd, false},
    {"shift required, caps lock only", true, keyL, cmd | caps, false},
};

} // namespace

class HotkeyManagerTest : public QObject
{
    Q_OBJECT

private slots:
    void reportsEachStartFailure_data()
    {
        QTest::addColumn<bool>("inputMonitoring");
        QTest::addColumn<bool>("accessibility");
        QTest::addColumn<int>("tapResult");
        QTest::addColumn<bool>("monitorInstalls");
        QTest::addColumn<QString>("error");
        const int tapUnavailable = int(GlobalKeyTap::StartResult::tapUnavailable);
        const int sourceUnavailable = int(GlobalKeyTap::StartResult::sourceUnavailable);
        const int started = int(GlobalKeyTap::StartResult::started);
        QTest::newRow("tap") << true << true << tapUnavailable << true
                             << "Failed to create event tap";
        QTest::newRow("source") << true << true << sourceUnavailable << true
                                << "Failed to create run loop source";
        QTest::newRow("permissions")
            << false << false << started << true
            << "No global shortcut in this session, and no synthetic keys for the fallback key "
               "monitor.";
        QTest::newRow("monitor") << false << true << started << false
                                 << "Failed to install fallback hotkey monitor.";
    }
    void reportsEachStartFailure()
    {
        QFETCH(bool, inputMonitoring);
        QFETCH(bool, accessibility);
        QFETCH(int, tapResult);
        QFETCH(bool, monitorInstalls);
        QFETCH(QString, error);
        const int tapUnavailable = int(GlobalKeyTap::StartResult::tapUnavailable);
        Rig rig(inputMonitoring);
        rig.permissions.accessibility = accessibility;
        rig.tap.nextStartResult = GlobalKeyTap::StartResult(tapResult);
        rig.monitor.installSucceeds = monitorInstalls;
        QVERIFY(!rig.manager->start());
        QCOMPARE(rig.manager->lastError().value_or(QString()), error);
        QCOMPARE(rig.manager->mechanism(), HotkeyManager::Mechanism::none);
        // A failed tap never falls back to the monitor.
        QCOMPARE(rig.monitor.installCalls, (!inputMonitoring && accessibility) ? 1 : 0);
        // Only a refused tap means another program holds the combination; a later start that
        // succeeds clears it.
        QCOMPARE(rig.manager->shortcutTaken(), inputMonitoring && tapResult == tapUnavailable);
        rig.tap.nextStartResult = GlobalKeyTap::StartResult::started;
        rig.permissions.inputMonitoring = true;
        QVERIFY(rig.manager->start());
        QVERIFY(!rig.manager->shortcutTaken());
    }

    void fallsBackToTheMonitorAndRequestsAccessOnEachAttempt()
    {
        Rig rig(false);
        rig.permissions.accessibility = false;
        QVERIFY(!rig.manager->start());
        QVERIFY(!rig.manager->start());
        QCOMPARE(rig.permissions.inputMonitoringRequests, 2);
        QCOMPARE(rig.permissions.accessibilityPrompts, 2);

        rig.permissions.accessibility = true;
        QVERIFY(rig.manager->start());
        QVERIFY(!rig.manager->lastError());
        QCOMPARE(rig.manager->mechanism(), HotkeyManager::Mechanism::monitor);
        // A running monitor is kept even once input monitoring is granted.
        rig.permissions.inputMonitoring = true;
        QVERIFY(rig.manager->start());
        QCOMPARE(rig.tap.startCalls, 0);
        QCOMPARE(rig.monitor.installCalls, 1);
    }

    void tapMatchingRule_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(tapRows)); ++i)
            QTest::newRow(tapRows[i].name) << i;
    }
    void tapMatchingRule()
    {
        QFETCH(int, row);
        const TapRow& r = tapRows[row];
        Rig rig;
        rig.manager->configure(keyL, r.requiresShift);
        QVERIFY(rig.manager->start());
        // Swallowed exactly when it matches; everything else reaches the application.
        QCOMPARE(rig.tap.press(r.keyCode, r.flags), r.matches);
        QCOMPARE(rig.calls, r.matches ? 1 : 0);
        QCOMPARE(rig.manager->monitorMatches(KeyPress{r.keyCode, r.flags}), r.matches);
        // Every repeat of a held shortcut counts.
        QCOMPARE(rig.tap.press(r.keyCode, r.flags), r.matches);
        QCOMPARE(rig.calls, r.matches ? 2 : 0);
    }

    // Input monitoring granted: the tap, started once however often asked, then retargeted.
    void theTapStartsOnceAndConfigureAppliesWithoutRestart()
    {
        Rig rig;
        QCOMPARE(rig.manager->targetKeyCode(), keyL);
        QVERIFY(!rig.manager->targetRequiresShift());
        QVERIFY(rig.manager->start());
        QVERIFY(rig.manager->start());
        QCOMPARE(rig.tap.targets, (QList<QPair<std::int64_t, bool>>{{keyL, false}}));
        QCOMPARE(rig.manager->mechanism(), HotkeyManager::Mechanism::tap);
        QVERIFY(!rig.manager->lastError());
        QCOMPARE(rig.permissions.inputMonitoringRequests, 0);
        QCOMPARE(rig.monitor.installCalls, 0);
        rig.manager->configure(keyD, true);
        QCOMPARE(rig.tap.startCalls, 1);
        QCOMPARE(rig.tap.stopCalls, 0);
        QCOMPARE(rig.tap.targets.last(), qMakePair(keyD, true));
        QVERIFY(rig.tap.press(keyD, cmd | shift));
        QVERIFY(!rig.tap.press(keyL, cmd));
        QCOMPARE(rig.calls, 1);
        QCOMPARE(rig.manager->targetKeyCode(), keyD);

        // A shortcut that cannot be watched is reported at the next start.
        rig.tap.retargetSucceeds = false;
        rig.tap.nextStartResult = GlobalKeyTap::StartResult::tapUnavailable;
        rig.manager->configure(keyL, false);
        QCOMPARE(rig.manager->mechanism(), HotkeyManager::Mechanism::none);
        QVERIFY(!rig.manager->start());
        QCOMPARE(rig.manager->lastError().value_or(QString()), "Failed to create event tap");
    }

    void monitorObservesAndConfigureApplies()
    {
        Rig rig(false);
        QVERIFY(rig.manager->start());
        rig.monitor.press(keyL, cmd | caps);
        rig.monitor.press(keyL, cmd | opt);
        QCOMPARE(rig.calls, 1);
        rig.manager->configure(keyD, true);
        rig.monitor.press(keyD, cmd | shift);
        rig.monitor.press(keyL, cmd);
        QCOMPARE(rig.calls, 2);
        // A press reaching a handler that outlived the listener does nothing.
        rig.manager.reset();
        QCOMPARE(rig.monitor.removeCalls, 1);
        rig.monitor.press(keyD, cmd | shift);
        QCOMPARE(rig.calls, 2);
    }

    void configureBeforeStartAndStopKeepTheShortcut()
    {
        Rig rig;
        rig.manager->configure(keyD, true);
        QCOMPARE(rig.tap.startCalls, 0);
        QVERIFY(rig.tap.targets.isEmpty());
        QVERIFY(rig.manager->start());
        QCOMPARE(rig.tap.targets.value(0), qMakePair(keyD, true));
        rig.manager->stop();
        QCOMPARE(rig.tap.stopCalls, 1);
        QVERIFY(!rig.tap.press(keyD, cmd | shift));
        QVERIFY(rig.manager->onHotkey);
        QCOMPARE(rig.manager->targetKeyCode(), keyD);
        QVERIFY(rig.manager->targetRequiresShift());
        QCOMPARE(rig.manager->mechanism(), HotkeyManager::Mechanism::none);
        QVERIFY(rig.manager->start());
        QCOMPARE(rig.tap.startCalls, 2);
        rig.manager.reset(); // destruction stops the tap
        QCOMPARE(rig.tap.stopCalls, 2);
        QCOMPARE(rig.calls, 0);
    }
};

VELTO_REGISTER_TEST(HotkeyManagerTest);
#include "HotkeyManagerTest.moc"
