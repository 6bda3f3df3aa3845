#include "x11/support/RewriteCycle.h"

#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <qcoro/qcorotask.h>

namespace velto::test {

namespace {

struct Run
{
    int number = 0;
    bool done = false;
    std::optional<QString> selection;
    std::optional<SelectionService::PasteOutcome> outcome;
    qint64 pressedAt = 0;
    qint64 pastedAt = 0;
};

QString rewritten(int run)
{
    return QStringLiteral("rewrite %1").arg(run);
}

QCoro::Task<> rewrite(SelectionService& service, std::optional<RunningApplication> source, Run& run,
                      const QElapsedTimer& clock)
{
    run.selection = co_await service.selectedTextFromFocusedApp();
    ClipboardSnapshot restored;
    run.outcome = co_await service.pasteText(rewritten(run.number), source, &restored);
    run.pastedAt = clock.nsecsElapsed();
    co_await service.guardRestoredClipboard(restored, rewritten(run.number));
    run.done = true;
}

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

void RewriteCycle::run(const QString& firstSelection)
{
    const int runs = qEnvironmentVariableIntValue("VELTO_CYCLE_RUNS") > 0
                         ? qEnvironmentVariableIntValue("VELTO_CYCLE_RUNS")
                         : 50;
    QElapsedTimer clock;
    Run run;
    hotkeys.onHotkey = [&] {
        run.pressedAt = clock.nsecsElapsed();
        rewrite(service, workspace.activeApplication(), run, clock);
    };
    QVERIFY(hotkeys.start());

    QList<double> milliseconds;
    QString expectedSelection = firstSelection;
    clock.start();
    for (int number = 1; number <= runs; ++number) {
        run = Run();
        run.number = number;
        keyboard.chord({TestKeyboard::controlL}, 'a');
        keyboard.chord({TestKeyboard::superL}, 'l');
        QVERIFY2(runUntil(run.done, 10000), qPrintable(QStringLiteral("run %1").arg(number)));
        QVERIFY2(run.selection, qPrintable(QStringLiteral("run %1: selection missed").arg(number)));
        QCOMPARE(*run.selection, expectedSelection);
        QCOMPARE(run.outcome, SelectionService::PasteOutcome::pasted);
        milliseconds.append((run.pastedAt - run.pressedAt) / 1e6);

        expectedSelection = rewritten(number);
        // Anything else in the editor is a wrong paste (the user's clipboard, most likely).
        QVERIFY2(editorHolds(expectedSelection),
                 qPrintable(QStringLiteral("run %1: wrong paste").arg(number)));
        const QString difference = clipboardDifference();
        QVERIFY2(difference.isEmpty(),
                 qPrintable(QStringLiteral("run %1: %2").arg(number).arg(difference)));
    }
    hotkeys.stop();

    std::sort(milliseconds.begin(), milliseconds.end());
    qInfo("shortcut to paste over %d runs: min %.1f ms, median %.1f ms, max %.1f ms", runs,
          milliseconds.first(), milliseconds.at(milliseconds.size() / 2), milliseconds.last());
}

} // namespace velto::test
