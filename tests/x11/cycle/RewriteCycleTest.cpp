#include "platform/TimerSleeper.h"
#include "platform/linux/AtspiFocusedSelection.h"
#include "platform/linux/DesktopLauncher.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyMonitor.h"
#include "platform/x11/X11KeyTap.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11Permissions.h"
#include "platform/x11/X11SelectionOwner.h"
#include "platform/x11/X11SelectionReader.h"
#include "platform/x11/X11SyntheticKeys.h"
#include "platform/x11/X11Windows.h"
#include "platform/x11/X11Workspace.h"
#include "support/TestRegistry.h"
#include "system/HotkeyManager.h"
#include "system/SelectionService.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/XTestKeyboard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::test;

namespace {

// Forwards to the real keys, notes when the paste chord goes out and counts copies.
class TimedKeys : public SyntheticKeys
{
public:
    explicit TimedKeys(SyntheticKeys& keys) : m_keys(keys) {}
    std::function<void()> onPaste;
    int copies = 0;

    bool isAvailable() override { return m_keys.isAvailable(); }
    bool canPost(std::uint16_t keyCode) override { return m_keys.canPost(keyCode); }
    void post(std::uint16_t keyCode, std::uint64_t flags, bool keyDown) override
    {
        m_keys.post(keyCode, flags, keyDown);
        if (keyDown && keyCode == SelectionService::pasteKeyCode && onPaste)
            onPaste();
        if (keyDown && keyCode == SelectionService::copyKeyCode)
            ++copies;
    }

private:
    SyntheticKeys& m_keys;
};

// The whole app side of a rewrite, on the real adapters: shortcut, selection, paste-back.
struct Velto
{
    X11Connection connection;
    X11Keymap keymap{connection};
    X11Windows windows{connection};
    X11Permissions permissions{connection};
    X11KeyTap tap{connection, keymap};
    X11KeyMonitor monitor{connection, keymap};
    HotkeyManager hotkeys{permissions, tap, monitor};
    X11Clipboard clipboard{connection};
    X11SyntheticKeys realKeys{connection, keymap, windows};
    TimedKeys keys{realKeys};
    DesktopLauncher launcher;
    X11Workspace workspace{connection, windows, launcher};
    AtspiFocusedSelection focused{workspace};
    TimerSleeper sleeper;
    SelectionService service{focused, clipboard, keys, workspace, sleeper};
};

// Runs the event loop until done: QTRY's polling sleeps 10 ms between rounds, and each D-Bus
// round trip of the selection read would wait for one.
bool runUntil(const bool& done, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer tick;
    tick.start(10);
    while (!done && elapsed.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done;
}

} // namespace

// select in the editor -> Super+L -> read the selection -> paste other text over it -> the
// user's clipboard is byte-identical to before; many times in a row, printing how long the key
// press took to become a paste.
class RewriteCycleTest : public QObject
{
    Q_OBJECT

private slots:
    void fullCycleRepeatedly()
    {
        QVERIFY(qEnvironmentVariableIsSet("DISPLAY"));
        const int runs = qEnvironmentVariableIntValue("VELTO_CYCLE_RUNS") > 0
                             ? qEnvironmentVariableIntValue("VELTO_CYCLE_RUNS")
                             : 50;

        X11Connection userConnection;
        X11SelectionOwner userClipboard{userConnection, userConnection.atom("CLIPBOARD")};
        X11SelectionReader checker{userConnection};
        X11SelectionOwner::Contents contents;
        const auto atom = [&](const char* name) { return userConnection.atom(name); };
        contents.insert(atom("text/plain"), {atom("text/plain"), 8, "keep\r\nme\r\n"});
        contents.insert(atom("UTF8_STRING"), {atom("UTF8_STRING"), 8, "keep\nme\n"});
        contents.insert(atom("image/png"), {atom("image/png"), 8, QByteArray("\x89PNG\0\0\1", 7)});
        contents.insert(atom("application/x-large"),
                        {atom("application/x-large"), 8, QByteArray(300 * 1024, '\0')});
        QVERIFY(userClipboard.own(contents));

        Velto velto;
        XTestKeyboard keyboard;
        EditorWindow editor("first words\n");
        QVERIFY(editor.start());

        QElapsedTimer clock;
        qint64 pressedAt = 0;
        qint64 pastedAt = 0;
        velto.keys.onPaste = [&] { pastedAt = clock.nsecsElapsed(); };
        int run = 0;
        bool done = false;
        std::optional<QString> selection;
        std::optional<SelectionService::PasteOutcome> outcome;
        velto.hotkeys.onHotkey = [&] {
            // What the controller does: capture the source, then run the pipeline as a task.
            const auto source = velto.workspace.frontmostApplication();
            [](Velto& velto, std::optional<RunningApplication> source, int run, bool& done,
               std::optional<QString>& selection,
               std::optional<SelectionService::PasteOutcome>& outcome) -> QCoro::Task<> {
                selection = co_await velto.service.selectedTextFromFocusedApp();
                const QString rewritten = QStringLiteral("rewrite %1").arg(run);
                PasteboardSnapshot restored;
                outcome = co_await velto.service.pasteText(rewritten, source, &restored);
                co_await velto.service.guardRestoredClipboard(restored, rewritten);
                done = true;
            }(velto, source, run, done, selection, outcome);
        };
        QVERIFY(velto.hotkeys.start());

        QList<double> milliseconds;
        QByteArray expectedSelection = "first words";
        clock.start();
        for (run = 1; run <= runs; ++run) {
            done = false;
            selection.reset();
            outcome.reset();
            keyboard.chord({XTestKeyboard::controlL}, 'a');
            pressedAt = clock.nsecsElapsed();
            keyboard.chord({XTestKeyboard::superL}, 'l');
            QVERIFY(runUntil(done, 10000));
            QCOMPARE(selection.value_or(QString()), QString::fromUtf8(expectedSelection));
            QCOMPARE(outcome, SelectionService::PasteOutcome::pasted);
            milliseconds.append((pastedAt - pressedAt) / 1e6);

            expectedSelection = QStringLiteral("rewrite %1").arg(run).toUtf8();
            const bool saved = editor.saveAndWaitFor(keyboard, expectedSelection);
            QCOMPARE(editor.fileContents(), expectedSelection);
            QVERIFY(saved);
            for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
                const auto answer =
                    QCoro::waitFor(checker.convert(userConnection.atom("CLIPBOARD"), it.key()));
                QVERIFY2(
                    answer && answer->data == it->bytes && answer->type == it->type,
                    qPrintable(QStringLiteral("run %1, %2")
                                   .arg(run)
                                   .arg(QString::fromLatin1(userConnection.atomName(it.key())))));
            }
        }

        // The editor exposes its selection through AT-SPI: no run needed a copy.
        QCOMPARE(velto.keys.copies, 0);

        std::sort(milliseconds.begin(), milliseconds.end());
        const double sum = std::accumulate(milliseconds.cbegin(), milliseconds.cend(), 0.0);
        qInfo("key press to paste over %d runs: min %.1f ms, median %.1f ms, mean %.1f ms, "
              "max %.1f ms",
              runs, milliseconds.first(), milliseconds.at(milliseconds.size() / 2),
              sum / milliseconds.size(), milliseconds.last());
    }
};

VELTO_REGISTER_TEST(RewriteCycleTest);
#include "RewriteCycleTest.moc"
