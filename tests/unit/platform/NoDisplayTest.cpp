#include "platform/CancellationToken.h"
#include "platform/TimerSleeper.h"
#include "platform/linux/AtspiFocusedSelection.h"
#include "platform/linux/DesktopLauncher.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyMonitor.h"
#include "platform/x11/X11KeyTap.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11Permissions.h"
#include "platform/x11/X11SyntheticKeys.h"
#include "platform/x11/X11TerminalClasses.h"
#include "platform/x11/X11Windows.h"
#include "platform/x11/X11Workspace.h"
#include "support/TestRegistry.h"
#include "system/HotkeyManager.h"
#include "system/SelectionService.h"

#include <QTest>
#include <QTimer>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace std::chrono_literals;

// A session without X (Wayland only, or none): every port says no, nothing crashes.
class NoDisplayTest : public QObject
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
        X11Permissions permissions(connection);
        X11KeyTap tap(connection, keymap);
        X11KeyMonitor monitor(connection, keymap);
        QVERIFY(!permissions.inputMonitoringGranted());
        QVERIFY(!permissions.accessibilityTrusted(true));

        HotkeyManager hotkeys(permissions, tap, monitor);
        QVERIFY(!hotkeys.start());
        QCOMPARE(hotkeys.lastError().value_or(QString()),
                 QString("Input Monitoring not granted; Accessibility is also required for "
                         "fallback hotkey."));
        QCOMPARE(tap.start(37, false, [](const KeyPress&) { return true; }),
                 GlobalKeyTap::StartResult::tapUnavailable);
        QVERIFY(!monitor.install([](const KeyPress&) {}));

        X11Clipboard clipboard(connection);
        X11SyntheticKeys keys(connection, keymap, windows);
        DesktopLauncher launcher;
        X11Workspace workspace(connection, windows, launcher);
        AtspiFocusedSelection focused(workspace);
        TimerSleeper sleeper;
        SelectionService service(focused, clipboard, keys, workspace, sleeper);
        QVERIFY(!keys.isAvailable());
        QCOMPARE(workspace.frontmostApplication(), std::nullopt);
        QCOMPARE(QCoro::waitFor(service.selectedTextFromFocusedApp()), std::nullopt);
        // Nothing can be posted without a display: the text is left on the clipboard instead.
        QCOMPARE(QCoro::waitFor(service.pasteText("text", std::nullopt)),
                 SelectionService::PasteOutcome::pasteFailed);
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
};

VELTO_REGISTER_TEST(NoDisplayTest);
#include "NoDisplayTest.moc"
