#include "platform/KeyPress.h"
#include "support/TestRegistry.h"
#include "system/HotkeyManagerError.h"
#include "wayland/support/PortalKeyboard.h"
#include "wayland/support/WaylandRig.h"
#include "x11/support/EditorWindow.h"

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

// The shortcut and the synthetic keys through the desktop portals of a headless KWin (the copy
// and paste into a real Wayland editor: WaylandRewriteCycleTest).
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
        EditorWindow editor(QStringLiteral("hello"));
        QVERIFY2(editor.startSelectingAll(), qPrintable(editor.output()));
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

    void missingPortalsLeaveClearPermissionsAndNoHang()
    {
        BareBus bareBus;
        const auto bus = bareBus.start();
        QVERIFY(bus);
        WaylandRig velto(*bus);

        velto.tap.bind(keyCodeL, false);
        velto.keys.startSession();
        QVERIFY(waitForState(velto.tap, PortalKeyTap::State::missing));
        QTRY_COMPARE_WITH_TIMEOUT(velto.keys.state(), PortalSyntheticKeys::State::missing, 15000);
        QVERIFY(!velto.tap.problem().isEmpty());
        QVERIFY(!velto.keys.problem().isEmpty());

        QVERIFY(!velto.permissions.inputMonitoringGranted());
        QVERIFY(!velto.permissions.accessibilityTrusted(true));
        QVERIFY(!velto.hotkeys.start());
        QCOMPARE(velto.hotkeys.lastError(), HotkeyManagerError::permissionsMissing().description());
        // Asking again finds them still missing, and nothing was left waiting.
        velto.permissions.requestInputMonitoring();
        QCOMPARE(velto.tap.state(), PortalKeyTap::State::missing);
        QVERIFY(!velto.keys.isAvailable());
        velto.keys.post(keyCodeL, KeyModifier::command, true);
    }

    // Keys without a clipboard of ours would paste the user's old clipboard over the selection.
    void pastingNeedsTheClipboard()
    {
        const QByteArray display = qgetenv("WAYLAND_DISPLAY");
        qputenv("WAYLAND_DISPLAY", "velto-no-such-compositor");
        WaylandRig velto;
        qputenv("WAYLAND_DISPLAY", display);
        QCOMPARE(velto.connection.state(), WaylandConnection::State::failed);

        QVERIFY(!velto.permissions.accessibilityTrusted(true));
        QTRY_COMPARE_WITH_TIMEOUT(velto.keys.state(), PortalSyntheticKeys::State::started, 15000);
        QVERIFY(!velto.permissions.accessibilityTrusted(false));
        QCOMPARE(QCoro::waitFor(velto.clipboard.readItems()), std::nullopt);
    }
};

VELTO_REGISTER_TEST(WaylandPortalTest);
#include "WaylandPortalTest.moc"
