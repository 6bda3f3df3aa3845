#include "fakes/platform/FakeFocusedSelection.h"
#include "model/InMemoryDefaults.h"
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
#include "system/SelectionService.h"
#include "wayland/support/EditorProcess.h"
#include "wayland/support/PortalKeyboard.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <numeric>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::test;

namespace {

// The whole app side of a rewrite, on the real Wayland adapters.
struct Velto
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    InMemoryDefaults preferences;
    WaylandConnection connection;
    WaylandClipboard clipboard{connection};
    PortalKeyTap tap{bus};
    PortalSyntheticKeys keys{bus, preferences};
    WaylandPermissions permissions{tap, keys, clipboard};
    WaylandKeyMonitor monitor;
    HotkeyManager hotkeys{permissions, tap, monitor};
    fakes::FakeFocusedSelection noSelection;
    DesktopLauncher launcher;
    WaylandWorkspace workspace{launcher};
    TimerSleeper sleeper;
    SelectionService service{noSelection, clipboard, keys, workspace, sleeper};
};

} // namespace

// select in the editor -> Super+L -> copy the selection -> paste other text over it -> the
// user's clipboard is byte-identical to before; many times in a row, printing how long the key
// release took to become a paste.
class WaylandRewriteCycleTest : public QObject
{
    Q_OBJECT

private slots:
    void fullCycleRepeatedly()
    {
        QVERIFY2(qEnvironmentVariableIsSet("WAYLAND_DISPLAY"), "runs under with-env wayland");
        std::signal(SIGPIPE, SIG_IGN);
        const int runs = qEnvironmentVariableIntValue("VELTO_CYCLE_RUNS") > 0
                             ? qEnvironmentVariableIntValue("VELTO_CYCLE_RUNS")
                             : 50;

        // The user's clipboard, owned by another client, with text, binary and a large type.
        WaylandConnection userConnection;
        WaylandClipboard userClipboard(userConnection);
        WaylandConnection checkerConnection;
        WaylandClipboard checker(checkerConnection);
        QTRY_VERIFY_WITH_TIMEOUT(userClipboard.isAvailable() && checker.isAvailable(), 5000);
        const PasteboardItem userItem{{"text/plain;charset=utf-8", "keep\nme\n"},
                                      {"text/plain", "keep\r\nme\r\n"},
                                      {"image/png", QByteArray("\x89PNG\0\0\1", 7)},
                                      {"application/x-large", QByteArray(300 * 1024, '\0')}};
        userClipboard.writeItems({userItem});

        Velto velto;
        PortalKeyboard keyboard;
        QVERIFY(keyboard.start());
        EditorProcess editor(QStringLiteral("first words"));
        QVERIFY2(editor.start(), qPrintable(editor.output()));
        velto.tap.bind(37, false);
        velto.keys.startSession();
        QTRY_VERIFY_WITH_TIMEOUT(velto.permissions.inputMonitoringGranted() &&
                                     velto.permissions.accessibilityTrusted(false),
                                 15000);

        QElapsedTimer clock;
        int run = 0;
        bool done = false;
        qint64 pressedAt = 0;
        qint64 pastedAt = 0;
        std::optional<QString> selection;
        std::optional<SelectionService::PasteOutcome> outcome;
        velto.hotkeys.onHotkey = [&] {
            pressedAt = clock.nsecsElapsed();
            [](Velto& velto, int run, bool& done, qint64& pastedAt, QElapsedTimer& clock,
               std::optional<QString>& selection,
               std::optional<SelectionService::PasteOutcome>& outcome) -> QCoro::Task<> {
                selection = co_await velto.service.selectedTextFromFocusedApp();
                const QString rewritten = QStringLiteral("rewrite %1").arg(run);
                PasteboardSnapshot restored;
                outcome = co_await velto.service.pasteText(rewritten, std::nullopt, &restored);
                pastedAt = clock.nsecsElapsed();
                co_await velto.service.guardRestoredClipboard(restored, rewritten);
                done = true;
            }(velto, run, done, pastedAt, clock, selection, outcome);
        };
        QVERIFY(velto.hotkeys.start());

        QList<double> milliseconds;
        QString expectedSelection = QStringLiteral("first words");
        clock.start();
        for (run = 1; run <= runs; ++run) {
            done = false;
            selection.reset();
            outcome.reset();
            keyboard.chord({PortalKeyboard::controlL}, 'a');
            keyboard.chord({PortalKeyboard::superL}, 'l');
            QTRY_VERIFY2_WITH_TIMEOUT(done, qPrintable(QStringLiteral("run %1").arg(run)), 10000);
            QCOMPARE(selection.value_or(QString()), expectedSelection);
            QCOMPARE(outcome, SelectionService::PasteOutcome::pasted);
            milliseconds.append((pastedAt - pressedAt) / 1e6);

            expectedSelection = QStringLiteral("rewrite %1").arg(run);
            QVERIFY2(editor.waitForText(expectedSelection), qPrintable(editor.text()));
            QTRY_COMPARE_WITH_TIMEOUT(QCoro::waitFor(checker.readItems()),
                                      std::optional<PasteboardSnapshot>({userItem}), 5000);
        }

        std::sort(milliseconds.begin(), milliseconds.end());
        const double sum = std::accumulate(milliseconds.cbegin(), milliseconds.cend(), 0.0);
        qInfo("shortcut to paste over %d runs: min %.1f ms, median %.1f ms, mean %.1f ms, "
              "max %.1f ms",
              runs, milliseconds.first(), milliseconds.at(milliseconds.size() / 2),
              sum / milliseconds.size(), milliseconds.last());
        velto.hotkeys.stop();
    }
};

VELTO_REGISTER_TEST(WaylandRewriteCycleTest);
#include "WaylandRewriteCycleTest.moc"
