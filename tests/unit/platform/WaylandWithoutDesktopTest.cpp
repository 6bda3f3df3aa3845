#include "model/InMemoryDefaults.h"
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

// The Wayland adapters with no compositor and no session bus: each says what is missing, every
// call answers at once, nothing crashes.
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

    void shortcutsArePortalSpelling_data()
    {
        QTest::addColumn<int>("keyCode");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("id");
        QTest::newRow("Super+L") << 37 << false << "LOGO+L"
                                 << "rewrite-logo-l";
        QTest::newRow("Super+Shift+D") << 2 << true << "LOGO+SHIFT+D"
                                       << "rewrite-logo-shift-d";
        QTest::newRow("unknown code falls back to L") << 999 << false << "LOGO+L"
                                                      << "rewrite-logo-l";
    }

    void shortcutsArePortalSpelling()
    {
        QFETCH(int, keyCode);
        QFETCH(bool, shift);
        QFETCH(QString, trigger);
        QFETCH(QString, id);
        QCOMPARE(PortalKeyTap::preferredTrigger(keyCode, shift), trigger);
        QCOMPARE(PortalKeyTap::shortcutID(keyCode, shift), id);
    }
};

VELTO_REGISTER_TEST(WaylandWithoutDesktopTest);
#include "WaylandWithoutDesktopTest.moc"
