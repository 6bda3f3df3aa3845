#include "fakes/platform/FakeFocusedSelection.h"
#include "model/InMemoryDefaults.h"
#include "platform/KeyPress.h"
#include "platform/TimerSleeper.h"
#include "platform/linux/DesktopLauncher.h"
#include "platform/wayland/PortalKeyTap.h"
#include "platform/wayland/PortalSyntheticKeys.h"
#include "platform/wayland/WaylandClipboard.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyMonitor.h"
#include "platform/wayland/WaylandPermissions.h"
#include "platform/wayland/WaylandWorkspace.h"
#include "support/TestRegistry.h"
#include "system/HotkeyManager.h"
#include "system/HotkeyManagerError.h"
#include "system/SelectionService.h"
#include "wayland/support/EditorProcess.h"
#include "wayland/support/PortalKeyboard.h"

#include <QDBusConnection>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::test;

namespace {

constexpr std::uint16_t keyCodeL = 37;
constexpr std::uint16_t keyCodeD = 2;

// A session bus with nothing on it: a desktop without the portals.
class BareBus
{
public:
    ~BareBus()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("velto-bare-bus"));
        m_daemon.kill();
        m_daemon.waitForFinished(3000);
    }

    std::optional<QDBusConnection> start()
    {
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return std::nullopt;
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                   "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/"
                   "busconfig.dtd\">\n<busconfig><type>session</type>"
                   "<listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                   "<policy context=\"default\"><allow send_destination=\"*\" "
                   "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                   "</policy></busconfig>\n");
        file.close();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        if (!m_daemon.waitForReadyRead(5000))
            return std::nullopt;
        const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        QDBusConnection bus =
            QDBusConnection::connectToBus(address, QStringLiteral("velto-bare-bus"));
        if (!bus.isConnected())
            return std::nullopt;
        return bus;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

bool waitForState(const PortalKeyTap& tap, PortalKeyTap::State state)
{
    return QTest::qWaitFor([&] { return tap.state() == state; }, 15000);
}

} // namespace

// The shortcut and the synthetic keys through the desktop portals of a headless KWin, and the
// paste into a real Wayland editor.
class WaylandPortalTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(qEnvironmentVariableIsSet("WAYLAND_DISPLAY"), "runs under with-env wayland");
        std::signal(SIGPIPE, SIG_IGN);
    }

    void shortcutReachesTheHandlerAndNotTheEditor()
    {
        EditorProcess editor(QStringLiteral("hello"));
        QVERIFY2(editor.start(), qPrintable(editor.output()));
        PortalKeyboard keyboard;
        QVERIFY(keyboard.start());

        PortalKeyTap tap(QDBusConnection::sessionBus());
        QList<KeyPress> presses;
        tap.start(keyCodeL, false, [&](const KeyPress& press) {
            presses.append(press);
            return true;
        });
        QVERIFY(waitForState(tap, PortalKeyTap::State::bound));
        QVERIFY2(tap.trigger().contains(u'L'), qPrintable(tap.trigger()));

        // The editor has the keyboard: a plain key types over its selection.
        keyboard.chord({}, 'q');
        QVERIFY2(editor.waitForText(QStringLiteral("q")), qPrintable(editor.text()));
        keyboard.chord({PortalKeyboard::superL}, 'l');
        QTRY_COMPARE_WITH_TIMEOUT(presses.size(), 1, 5000);
        QCOMPARE(presses.first().keyCode, keyCodeL);
        QCOMPARE(presses.first().flags, KeyModifier::command);
        // Had the "l" reached the editor, it would read "qlx".
        keyboard.chord({}, 'x');
        QVERIFY2(editor.waitForText(QStringLiteral("qx")), qPrintable(editor.text()));
        QCOMPARE(presses.size(), 1);

        // Another letter with Shift: bound again, the old keys no longer ours.
        QVERIFY(tap.retarget(keyCodeD, true));
        QVERIFY(waitForState(tap, PortalKeyTap::State::bound));
        QTRY_VERIFY_WITH_TIMEOUT(tap.trigger().contains(u'D'), 5000);
        keyboard.chord({PortalKeyboard::superL, PortalKeyboard::shiftL}, 'd');
        QTRY_COMPARE_WITH_TIMEOUT(presses.size(), 2, 5000);
        QCOMPARE(presses.last().keyCode, keyCodeD);
        QCOMPARE(presses.last().flags, KeyModifier::command | KeyModifier::shift);
        // Super+L is the application's again: the editor types its "l".
        keyboard.chord({PortalKeyboard::superL}, 'l');
        keyboard.chord({}, 'y');
        QVERIFY2(editor.waitForText(QStringLiteral("qxly")), qPrintable(editor.text()));
        QCOMPARE(presses.size(), 2);
        tap.stop();
    }

    void copyAndPasteThroughTheEditor()
    {
        WaylandConnection userConnection;
        WaylandClipboard userClipboard(userConnection);
        QTRY_VERIFY_WITH_TIMEOUT(userClipboard.isAvailable(), 5000);
        const PasteboardItem userItem{{"text/plain;charset=utf-8", "the user's"},
                                      {"image/png", QByteArray("\x89PNG\0\0\1", 7)}};
        userClipboard.writeItems({userItem});

        EditorProcess editor(QStringLiteral("alpha beta"));
        QVERIFY2(editor.start(), qPrintable(editor.output()));

        WaylandConnection connection;
        WaylandClipboard clipboard(connection);
        InMemoryDefaults preferences;
        PortalSyntheticKeys keys(QDBusConnection::sessionBus(), preferences);
        keys.startSession();
        QTRY_COMPARE_WITH_TIMEOUT(keys.state(), PortalSyntheticKeys::State::started, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(clipboard.isAvailable(), 5000);
        fakes::FakeFocusedSelection noSelection;
        DesktopLauncher launcher;
        WaylandWorkspace workspace(launcher);
        TimerSleeper sleeper;
        SelectionService service(noSelection, clipboard, keys, workspace, sleeper);

        QCOMPARE(QCoro::waitFor(service.selectedTextFromFocusedApp()),
                 std::optional<QString>(QStringLiteral("alpha beta")));
        // Given back after the copy (the user's client hears of it a moment later).
        QTRY_COMPARE_WITH_TIMEOUT(QCoro::waitFor(userClipboard.readItems()),
                                  std::optional<PasteboardSnapshot>({userItem}), 5000);

        PasteboardSnapshot restored;
        QCOMPARE(
            QCoro::waitFor(service.pasteText(QStringLiteral("gamma"), std::nullopt, &restored)),
            SelectionService::PasteOutcome::pasted);
        QVERIFY2(editor.waitForText(QStringLiteral("gamma")), qPrintable(editor.text()));
        QCOMPARE(restored, PasteboardSnapshot{userItem});
        QTRY_COMPARE_WITH_TIMEOUT(QCoro::waitFor(userClipboard.readItems()),
                                  std::optional<PasteboardSnapshot>({userItem}), 5000);
    }

    void missingPortalsLeaveClearPermissionsAndNoHang()
    {
        BareBus bareBus;
        const auto bus = bareBus.start();
        QVERIFY(bus);

        PortalKeyTap tap(*bus);
        InMemoryDefaults preferences;
        PortalSyntheticKeys keys(*bus, preferences);
        WaylandConnection connection;
        WaylandClipboard clipboard(connection);
        WaylandPermissions permissions(tap, keys, clipboard);
        WaylandKeyMonitor monitor;
        HotkeyManager hotkeys(permissions, tap, monitor);

        tap.bind(keyCodeL, false);
        keys.startSession();
        QVERIFY(waitForState(tap, PortalKeyTap::State::missing));
        QTRY_COMPARE_WITH_TIMEOUT(keys.state(), PortalSyntheticKeys::State::missing, 15000);
        QVERIFY(!tap.problem().isEmpty());
        QVERIFY(!keys.problem().isEmpty());

        QVERIFY(!permissions.inputMonitoringGranted());
        QVERIFY(!permissions.accessibilityTrusted(true));
        QVERIFY(!hotkeys.start());
        QCOMPARE(hotkeys.lastError(), HotkeyManagerError::permissionsMissing().description());
        // Asking again finds them still missing, and nothing was left waiting.
        permissions.requestInputMonitoring();
        QCOMPARE(tap.state(), PortalKeyTap::State::missing);
        QVERIFY(!keys.isAvailable());
        keys.post(keyCodeL, KeyModifier::command, true);
    }

    // Keys without a clipboard of ours would paste the user's old clipboard over the selection.
    void pastingNeedsTheClipboard()
    {
        InMemoryDefaults preferences;
        PortalSyntheticKeys keys(QDBusConnection::sessionBus(), preferences);
        PortalKeyTap tap(QDBusConnection::sessionBus());
        const QByteArray display = qgetenv("WAYLAND_DISPLAY");
        qputenv("WAYLAND_DISPLAY", "velto-no-such-compositor");
        WaylandConnection connection;
        qputenv("WAYLAND_DISPLAY", display);
        WaylandClipboard clipboard(connection);
        WaylandPermissions permissions(tap, keys, clipboard);
        QCOMPARE(connection.state(), WaylandConnection::State::failed);

        QVERIFY(!permissions.accessibilityTrusted(true));
        QTRY_COMPARE_WITH_TIMEOUT(keys.state(), PortalSyntheticKeys::State::started, 15000);
        QVERIFY(!permissions.accessibilityTrusted(false));
        QCOMPARE(QCoro::waitFor(clipboard.readItems()), std::nullopt);
    }
};

VELTO_REGISTER_TEST(WaylandPortalTest);
#include "WaylandPortalTest.moc"
