#include "model/InMemoryDefaults.h"
#include "platform/SessionType.h"
#include "platform/wayland/PortalKeyTap.h"
#include "platform/wayland/PortalSyntheticKeys.h"
#include "platform/wayland/WaylandClipboard.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandPermissions.h"
#include "support/TestRegistry.h"

#include <QDBusConnection>
#include <QTest>
#include <qcoro/qcorotask.h>

using namespace velto;

namespace {

constexpr SessionType wayland = SessionType::wayland;
constexpr SessionType x11 = SessionType::x11;
const struct Session
{
    const char *name, *type, *display;
    SessionType expected;
} sessions[] = {
    {"wayland session", "wayland", "wayland-0", wayland},
    {"wayland session, display not set yet", "wayland", "", wayland},
    {"x11 session with XWayland's socket around", "x11", "wayland-0", x11},
    {"case and spaces", " Wayland ", "", wayland},
    {"tty with a Wayland display", "tty", "wayland-1", wayland},
    {"startx from a console", "tty", "", x11},
    {"nothing known", "", "", x11},
    {"nothing but a display", "", "wayland-0", wayland},
    {"blank display", "", "  ", x11},
};

} // namespace

// The Wayland adapters with no compositor and no session bus: each says what is missing, every
// call answers at once, nothing crashes. And which backend a session gets.
class WaylandWithoutDesktopTest : public QObject
{
    Q_OBJECT

private slots:
    void everyPartSaysWhatIsMissing()
    {
        QVERIFY(!qEnvironmentVariableIsSet("WAYLAND_DISPLAY"));
        QDBusConnection noBus(QStringLiteral("velto-no-bus"));
        QVERIFY(!noBus.isConnected());

        WaylandConnection connection;
        QCOMPARE(connection.state(), WaylandConnection::State::failed);
        QVERIFY(!connection.problem().isEmpty());
        WaylandClipboard clipboard(connection);
        QVERIFY(!clipboard.isAvailable());
        QCOMPARE(QCoro::waitFor(clipboard.readItems()), std::nullopt);
        QCOMPARE(QCoro::waitFor(clipboard.readString()), std::nullopt);
        QCOMPARE(QCoro::waitFor(clipboard.readPrimaryString()), std::nullopt);
        clipboard.clearContents();
        clipboard.setString(QStringLiteral("nowhere to go"));
        clipboard.writeItems({{{QStringLiteral("text/plain"), QByteArray("x")}}});
        QCOMPARE(clipboard.changeCount(), 0);

        PortalKeyTap tap(noBus);
        InMemoryDefaults preferences;
        PortalSyntheticKeys keys(noBus, preferences);
        WaylandPermissions permissions(tap, keys, clipboard);
        tap.bind(37, false);
        keys.startSession();
        QTRY_COMPARE(tap.state(), PortalKeyTap::State::missing);
        QTRY_COMPARE(keys.state(), PortalSyntheticKeys::State::missing);
        QVERIFY(!permissions.inputMonitoringGranted());
        QVERIFY(!permissions.accessibilityTrusted(true));
        QVERIFY(!keys.isAvailable());
        QVERIFY(preferences.values().isEmpty());
    }

    void shortcutsArePortalSpelling()
    {
        const auto spelt = [](int keyCode, bool shift) {
            return PortalKeyTap::preferredTrigger(keyCode, shift) + " " +
                   PortalKeyTap::shortcutID(keyCode, shift);
        };
        QCOMPARE(spelt(37, false), QStringLiteral("LOGO+L rewrite-logo-l"));
        QCOMPARE(spelt(2, true), QStringLiteral("LOGO+SHIFT+D rewrite-logo-shift-d"));
        QCOMPARE(spelt(999, false), spelt(37, false)); // an unknown code falls back to L
    }

    void backendFollowsTheSession_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(sessions)); ++i)
            QTest::newRow(sessions[i].name) << i;
    }
    void backendFollowsTheSession()
    {
        QFETCH(int, row);
        const Session& r = sessions[row];
        QCOMPARE(sessionTypeOf(r.type, r.display), r.expected);
    }
};

VELTO_REGISTER_TEST(WaylandWithoutDesktopTest);
#include "WaylandWithoutDesktopTest.moc"
