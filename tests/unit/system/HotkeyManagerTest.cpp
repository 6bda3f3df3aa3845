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
} // namespace

class HotkeyManagerTest : public QObject
{
    Q_OBJECT

private slots:
    void startsTheTapWhenInputMonitoringIsGranted()
    {
        FakePermissions permissions;
        FakeGlobalKeyTap tap;
        FakeGlobalKeyMonitor monitor;
        HotkeyManager manager(permissions, tap, monitor);
        QCOMPARE(manager.targetKeyCode(), keyL);
        QVERIFY(!manager.targetRequiresShift());

        QVERIFY(manager.start());
        QVERIFY(manager.start());
        QCOMPARE(tap.startCalls, 1);
        QCOMPARE(tap.targets.value(0), qMakePair(keyL, false));
        QCOMPARE(manager.mechanism(), HotkeyManager::Mechanism::tap);
        QVERIFY(!manager.lastError());
        QCOMPARE(permissions.inputMonitoringRequests, 0);
        QCOMPARE(monitor.installCalls, 0);
    }

    void reportsEachStartFailure_data()
    {
        QTest::addColumn<bool>("inputMonitoring");
        QTest::addColumn<bool>("accessibility");
        QTest::addColumn<int>("tapResult");
        QTest::addColumn<bool>("monitorInstalls");
        QTest::addColumn<QString>("error");
        QTest::newRow("tap") << true << true << int(GlobalKeyTap::StartResult::tapUnavailable)
                             << true << "Failed to create event tap";
        QTest::newRow("source") << true << true << int(GlobalKeyTap::StartResult::sourceUnavailable)
                                << true << "Failed to create run loop source";
        QTest::newRow("permissions")
            << false << false << int(GlobalKeyTap::StartResult::started) << true
            << "Input Monitoring not granted; Accessibility is also required for fallback hotkey.";
        QTest::newRow("monitor") << false << true << int(GlobalKeyTap::StartResult::started)
                                 << false << "Failed to install fallback hotkey monitor.";
    }

    void reportsEachStartFailure()
    {
        QFETCH(bool, inputMonitoring);
        QFETCH(bool, accessibility);
        QFETCH(int, tapResult);
        QFETCH(bool, monitorInstalls);
        QFETCH(QString, error);
        FakePermissions permissions;
        permissions.inputMonitoring = inputMonitoring;
        permissions.accessibility = accessibility;
        FakeGlobalKeyTap tap;
        tap.nextStartResult = GlobalKeyTap::StartResult(tapResult);
        FakeGlobalKeyMonitor monitor;
        monitor.installSucceeds = monitorInstalls;
        HotkeyManager manager(permissions, tap, monitor);

        QVERIFY(!manager.start());
        QCOMPARE(manager.lastError().value_or(QString()), error);
        QCOMPARE(manager.mechanism(), HotkeyManager::Mechanism::none);
        // A failed tap never falls back to the monitor.
        QCOMPARE(monitor.installCalls, (!inputMonitoring && accessibility) ? 1 : 0);
    }

    void fallsBackToTheMonitorAndRequestsAccessOnEachAttempt()
    {
        FakePermissions permissions;
        permissions.inputMonitoring = false;
        permissions.accessibility = false;
        FakeGlobalKeyTap tap;
        FakeGlobalKeyMonitor monitor;
        HotkeyManager manager(permissions, tap, monitor);

        QVERIFY(!manager.start());
        QVERIFY(!manager.start());
        QCOMPARE(permissions.inputMonitoringRequests, 2);
        QCOMPARE(permissions.accessibilityPrompts, 2);

        permissions.accessibility = true;
        QVERIFY(manager.start());
        QVERIFY(!manager.lastError());
        QCOMPARE(manager.mechanism(), HotkeyManager::Mechanism::monitor);
        QCOMPARE(tap.startCalls, 0);

        // A running monitor is kept even once input monitoring is granted.
        permissions.inputMonitoring = true;
        QVERIFY(manager.start());
        QCOMPARE(tap.startCalls, 0);
        QCOMPARE(monitor.installCalls, 1);
    }

    void tapMatchingRule_data()
    {
        QTest::addColumn<bool>("requiresShift");
        QTest::addColumn<qint64>("keyCode");
        QTest::addColumn<quint64>("flags");
        QTest::addColumn<bool>("matches");
        QTest::newRow("cmd+L") << false << qint64(keyL) << quint64(cmd) << true;
        QTest::newRow("cmd+L caps lock") << false << qint64(keyL) << quint64(cmd | caps) << true;
        QTest::newRow("cmd+L numeric pad")
            << false << qint64(keyL) << quint64(cmd | KeyModifier::numericPad) << true;
        QTest::newRow("cmd+shift+L") << false << qint64(keyL) << quint64(cmd | shift) << false;
        QTest::newRow("cmd+opt+L") << false << qint64(keyL) << quint64(cmd | opt) << false;
        QTest::newRow("ctrl+cmd+L") << false << qint64(keyL) << quint64(cmd | ctrl) << false;
        QTest::newRow("L alone") << false << qint64(keyL) << quint64(0) << false;
        QTest::newRow("cmd+K") << false << qint64(40) << quint64(cmd) << false;
        QTest::newRow("not a letter")
            << false << qint64(KeyPress::noKeyCode) << quint64(cmd) << false;
        QTest::newRow("shift required, cmd+shift+L")
            << true << qint64(keyL) << quint64(cmd | shift) << true;
        QTest::newRow("shift required, cmd+L") << true << qint64(keyL) << quint64(cmd) << false;
        QTest::newRow("shift required, caps lock only")
            << true << qint64(keyL) << quint64(cmd | caps) << false;
    }

    void tapMatchingRule()
    {
        QFETCH(bool, requiresShift);
        QFETCH(qint64, keyCode);
        QFETCH(quint64, flags);
        QFETCH(bool, matches);
        FakePermissions permissions;
        FakeGlobalKeyTap tap;
        FakeGlobalKeyMonitor monitor;
        HotkeyManager manager(permissions, tap, monitor);
        int calls = 0;
        manager.onHotkey = [&] { ++calls; };
        manager.configure(37, requiresShift);
        QVERIFY(manager.start());

        // Swallowed exactly when it matches; everything else reaches the application.
        QCOMPARE(tap.press(keyCode, flags), matches);
        QCOMPARE(calls, matches ? 1 : 0);
        QCOMPARE(manager.monitorMatches(KeyPress{keyCode, flags}), matches);
    }

    void everyRepeatOfAHeldShortcutMatches()
    {
        FakePermissions permissions;
        FakeGlobalKeyTap tap;
        FakeGlobalKeyMonitor monitor;
        HotkeyManager manager(permissions, tap, monitor);
        int calls = 0;
        manager.onHotkey = [&] { ++calls; };
        QVERIFY(manager.start());
        for (int i = 0; i < 3; ++i)
            QVERIFY(tap.press(keyL, cmd));
        QCOMPARE(calls, 3);
    }

    void configureAppliesToTheNextPressWithoutRestart()
    {
        FakePermissions permissions;
        FakeGlobalKeyTap tap;
        FakeGlobalKeyMonitor monitor;
        HotkeyManager manager(permissions, tap, monitor);
        int calls = 0;
        manager.onHotkey = [&] { ++calls; };
        QVERIFY(manager.start());

        manager.configure(keyD, true);
        QCOMPARE(tap.startCalls, 1);
        QCOMPARE(tap.stopCalls, 0);
        QCOMPARE(tap.targets.last(), qMakePair(keyD, true));
        QVERIFY(tap.press(keyD, cmd | shift));
        QVERIFY(!tap.press(keyL, cmd));
        QCOMPARE(calls, 1);
        QCOMPARE(manager.targetKeyCode(), keyD);
    }

    void configureOnAStoppedListenerOnlyStoresTheShortcut()
    {
        FakePermissions permissions;
        FakeGlobalKeyTap tap;
        FakeGlobalKeyMonitor monitor;
        HotkeyManager manager(permissions, tap, monitor);
        manager.configure(keyD, true);
        QCOMPARE(tap.startCalls, 0);
        QVERIFY(tap.targets.isEmpty());
        QVERIFY(manager.start());
        QCOMPARE(tap.targets.value(0), qMakePair(keyD, true));
    }

    void aShortcutThatCannotBeWatchedIsReportedAtTheNextStart()
    {
        FakePermissions permissions;
        FakeGlobalKeyTap tap;
        FakeGlobalKeyMonitor monitor;
        HotkeyManager manager(permissions, tap, monitor);
        QVERIFY(manager.start());
        tap.retargetSucceeds = false;
        tap.nextStartResult = GlobalKeyTap::StartResult::tapUnavailable;
        manager.configure(keyD, false);
        QCOMPARE(manager.mechanism(), HotkeyManager::Mechanism::none);
        QVERIFY(!manager.start());
        QCOMPARE(manager.lastError().value_or(QString()), "Failed to create event tap");
    }

    void monitorObservesAndConfigureApplies()
    {
        FakePermissions permissions;
        permissions.inputMonitoring = false;
        FakeGlobalKeyTap tap;
        FakeGlobalKeyMonitor monitor;
        HotkeyManager manager(permissions, tap, monitor);
        int calls = 0;
        manager.onHotkey = [&] { ++calls; };
        QVERIFY(manager.start());
        monitor.press(keyL, cmd | caps);
        monitor.press(keyL, cmd | opt);
        QCOMPARE(calls, 1);
        manager.configure(keyD, true);
        monitor.press(keyD, cmd | shift);
        monitor.press(keyL, cmd);
        QCOMPARE(calls, 2);
    }

    void stopTearsDownAndKeepsTheConfiguration()
    {
        FakePermissions permissions;
        FakeGlobalKeyTap tap;
        FakeGlobalKeyMonitor monitor;
        int calls = 0;
        {
            HotkeyManager manager(permissions, tap, monitor);
            manager.onHotkey = [&] { ++calls; };
            manager.configure(keyD, true);
            QVERIFY(manager.start());
            manager.stop();
            QCOMPARE(tap.stopCalls, 1);
            QVERIFY(!tap.press(keyD, cmd | shift));
            QVERIFY(manager.onHotkey);
            QCOMPARE(manager.targetKeyCode(), keyD);
            QVERIFY(manager.targetRequiresShift());
            QCOMPARE(manager.mechanism(), HotkeyManager::Mechanism::none);
            QVERIFY(manager.start());
            QCOMPARE(tap.startCalls, 2);
        }
        // Destruction stops the tap.
        QCOMPARE(tap.stopCalls, 2);
        QCOMPARE(calls, 0);
    }

    void monitorHandlerOutlivingTheListenerDoesNothing()
    {
        FakePermissions permissions;
        permissions.inputMonitoring = false;
        FakeGlobalKeyTap tap;
        FakeGlobalKeyMonitor monitor;
        int calls = 0;
        {
            HotkeyManager manager(permissions, tap, monitor);
            manager.onHotkey = [&] { ++calls; };
            QVERIFY(manager.start());
        }
        QCOMPARE(monitor.removeCalls, 1);
        monitor.press(keyL, cmd);
        QCOMPARE(calls, 0);
    }
};

VELTO_REGISTER_TEST(HotkeyManagerTest);
#include "HotkeyManagerTest.moc"
