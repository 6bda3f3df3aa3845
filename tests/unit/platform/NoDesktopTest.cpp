#include "model/InMemoryPreferences.h"
#include "platform/CancellationToken.h"
#include "platform/SessionType.h"
#include "platform/TimerSleeper.h"
#include "platform/linux/AtspiFocusedSelection.h"
#include "platform/linux/DesktopLauncher.h"
#include "platform/wayland/PortalKeyTap.h"
#include "platform/wayland/PortalSyntheticKeys.h"
#include "platform/wayland/WaylandClipboard.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandSessionAccess.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyMonitor.h"
#include "platform/x11/X11KeyTap.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11SessionAccess.h"
#include "platform/x11/X11SyntheticKeys.h"
#include "platform/x11/X11TerminalClasses.h"
#include "platform/x11/X11Windows.h"
#include "platform/x11/X11Workspace.h"
#include "support/TestRegistry.h"
#include "system/HotkeyManager.h"
#include "system/SelectionService.h"

#include <QDBusConnection>
#include <QTest>
#include <QTimer>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace std::chrono_literals;

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

// A session without X, Wayland compositor or bus: every port says no, every call answers at
// once, nothing crashes. And which backend a session gets.
class NoDesktopTest : public QObject
{
    Q_OBJECT

private slots:
    void everyPortAnswersNotAvailable()
    {
        QVERIFY(!qEnvironmentVariableIsSet("DISPLAY"));
        X11Connection connection;
        QVERIFY(!connection.isConnected());
        X11Keymap keymap(connection);
        X11Windows windows(connection);
        X11SessionAccess sessionAccess(connection);
        X11KeyTap tap(connection, keymap);
        X11KeyMonitor monitor(connection, keymap);
        QVERIFY(!sessionAccess.shortcutAvailable());
        QVERIFY(!sessionAccess.requestSyntheticPaste());

        HotkeyManager hotkeys(sessionAccess, tap, monitor);
        QVERIFY(!hotkeys.start());
        QCOMPARE(hotkeys.lastError().value_or(QString()),
                 QString("No global shortcut in this session, and no synthetic keys for the "
                         "fallback key monitor."));
        const SessionCapabilities x11 = sessionAccess.capabilities();
        QCOMPARE(x11.shortcutRoute, GlobalShortcutRoute::unavailable);
        QVERIFY(!x11.shortcutProblem.isEmpty());
        QVERIFY(!x11.replacementWorks());
        QVERIFY(!x11.replacementProblem.isEmpty());
        QCOMPARE(tap.start(ShortcutKeys::combination(QStringLiteral("l"), false),
                           [](QKeyCombination) { return true; }),
                 GlobalKeyTap::StartResult::tapUnavailable);
        QVERIFY(!monitor.install([](QKeyCombination) {}));

        X11Clipboard clipboard(connection);
        X11SyntheticKeys keys(connection, keymap, windows);
        DesktopLauncher launcher;
        X11Workspace workspace(connection, windows, launcher);
        AtspiFocusedSelection focused(workspace);
        TimerSleeper sleeper;
        SelectionService service(focused, clipboard, keys, workspace, sleeper);
        QVERIFY(!keys.isAvailable());
        QCOMPARE(workspace.activeApplication(), std::nullopt);
        QCOMPARE(QCoro::waitFor(service.selectedTextFromFocusedApp()), std::nullopt);
        // Without an accessibility bus nothing is replaced in place, and nothing changed.
        const SelectedRange elsewhere{":1.9", "/org/a11y/atspi/accessible/1", 0, 4, "text", {}};
        QCOMPARE(QCoro::waitFor(focused.replace(elsewhere, "new")),
                 FocusedSelection::Replacement::notApplicable);
        // Without a display the clipboard cannot take the text either: the outcome says so.
        QCOMPARE(QCoro::waitFor(service.pasteText("text", std::nullopt)),
                 SelectionService::PasteOutcome::notWritten);
        QCOMPARE(QCoro::waitFor(clipboard.readItems()), std::nullopt);
    }

    // The sleeper needs no display; a cancelled wait ends early and says so.
    void sleepEndsAtItsTimeOrWhenCancelled()
    {
        TimerSleeper sleeper;
        QVERIFY(QCoro::waitFor(sleeper.sleep(10ms)));
        auto token = std::make_shared<CancellationToken>();
        QVERIFY(QCoro::waitFor(sleeper.sleep(10ms, token)));
        QTimer::singleShot(20ms, token.get(), &CancellationToken::cancel);
        // Would outlast the test's time limit if the token were not heard.
        QVERIFY(!QCoro::waitFor(sleeper.sleep(std::chrono::hours(1), token)));
        QVERIFY(!QCoro::waitFor(sleeper.sleep(std::chrono::hours(1), token)));
    }

    void terminalsAreKnownByTheirWindowClass()
    {
        QVERIFY(X11TerminalClasses::isTerminal({"gnome-terminal-server", "Gnome-terminal"}));
        QVERIFY(X11TerminalClasses::isTerminal({"xterm", "XTerm"}));
        QVERIFY(X11TerminalClasses::isTerminal({"kitty"}));
        QVERIFY(!X11TerminalClasses::isTerminal({"l3afpad", "L3afpad"}));
        QVERIFY(!X11TerminalClasses::isTerminal({}));
    }

    void clipboardTargetsThatAreProtocolAreNotCaptured()
    {
        for (const char* name : {"TARGETS", "TIMESTAMP", "MULTIPLE", "SAVE_TARGETS", "DELETE",
                                 "INSERT_SELECTION", "INSERT_PROPERTY", "GTK_TEXT_BUFFER_CONTENTS"})
            QVERIFY2(!X11Clipboard::isContentTarget(name), name);
        for (const char* name : {"UTF8_STRING", "text/plain", "image/png", "text/uri-list"})
            QVERIFY2(X11Clipboard::isContentTarget(name), name);
    }

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
        InMemoryPreferences preferences;
        PortalSyntheticKeys keys(noBus, preferences);
        WaylandSessionAccess sessionAccess(tap, keys, clipboard);
        tap.bind(QKeyCombination(Qt::MetaModifier, Qt::Key_L));
        keys.startSession();
        QTRY_COMPARE(tap.state(), PortalKeyTap::State::missing);
        QTRY_COMPARE(keys.state(), PortalSyntheticKeys::State::missing);
        QVERIFY(!sessionAccess.shortcutAvailable());
        QVERIFY(!sessionAccess.requestSyntheticPaste());
        QVERIFY(!keys.isAvailable());
        QVERIFY(preferences.values().isEmpty());
        const SessionCapabilities wayland = sessionAccess.capabilities();
        QCOMPARE(wayland.shortcutRoute, GlobalShortcutRoute::unavailable);
        QCOMPARE(wayland.shortcutProblem,
                 QStringLiteral("This desktop has no global shortcut portal."));
        QVERIFY(!wayland.replacementWorks());
        QVERIFY(!wayland.replacementProblem.isEmpty());
    }

    // What the desktop says it assigned, against Super+Shift+L: no keys at all, or other keys,
    // leave the combination taken.
    void portalKeysOtherThanTheOnesAskedForAreTaken()
    {
        struct Row
        {
            const char* trigger;
            bool matches;
        };
        const Row rows[] = {
            {"Meta+Shift+L", true}, {"Shift+Super+L", true}, {"", false},
            {"Meta+L", false},      {"Meta+Shift+K", false}, {"Ctrl+Meta+Shift+L", false},
            {"Alt+Shift+L", false},
        };
        for (const Row& row : rows)
            QVERIFY2(WaylandSessionAccess::triggerMatches(
                         row.trigger, QKeyCombination(Qt::MetaModifier | Qt::ShiftModifier,
                                                      Qt::Key_L)) == row.matches,
                     row.trigger);
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

VELTO_REGISTER_TEST(NoDesktopTest);
#include "NoDesktopTest.moc"
