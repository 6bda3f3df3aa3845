// How long the copy and paste routes take in the Qt test editor, which does not answer over
// AT-SPI: Ctrl+C to the selection read (the user's clipboard back), and Ctrl+V to the user's
// clipboard back after the editor took the rewrite. Quiet, then beside `stress-ng --cpu 2`.
// Counts the selections missed and the wrong pastes (anything but the rewrite in the editor).
// Prints a table, then one "report|figure|value|unit" line per figure for bench/report.
// Usage (inside scripts/with-env x11, as bench/route-latency does): velto_route_latency_bench
// [RUNS]
#include "fakes/platform/FakeFocusedSelection.h"
#include "x11/support/CpuLoad.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/X11OtherClient.h"
#include "x11/support/X11Rig.h"
#include "x11/support/XTestKeyboard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::test;

namespace {

struct Figures
{
    QList<double> copyMs;
    QList<double> pasteMs;
    int missedSelections = 0;
    int wrongPastes = 0;
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

bool measure(X11Rig& velto, XTestKeyboard& keyboard, int runs, Figures& figures)
{
    X11OtherClient user(64 * 1024);
    if (!user.ownUserClipboard())
        return false;
    fakes::FakeFocusedSelection nothing;
    SelectionService byCopy{nothing, velto.clipboard, velto.realKeys, velto.workspace,
                            velto.sleeper};
    EditorWindow editor("first words", EditorWindow::Toolkit::qt);
    if (!editor.start())
        return false;
    QString expected = QStringLiteral("first words");
    for (int run = 1; run <= runs; ++run) {
        keyboard.chord({XTestKeyboard::controlL}, 'a');
        QElapsedTimer clock;
        clock.start();
        const std::optional<QString> selection =
            QCoro::waitFor(byCopy.selectedTextFromFocusedApp());
        figures.copyMs.append(clock.nsecsElapsed() / 1e6);
        figures.missedSelections += selection != expected;

        const QString rewrite = QStringLiteral("rewrite %1").arg(run);
        const auto source = velto.workspace.activeApplication();
        clock.restart();
        QCoro::waitFor(byCopy.pasteText(rewrite, source));
        figures.pasteMs.append(clock.nsecsElapsed() / 1e6);
        if (!editor.waitForText(rewrite)) {
            ++figures.wrongPastes;
            expected = editor.text();
        } else {
            expected = rewrite;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(5, QByteArray(argv[1]).toInt()) : 30;
    X11Rig velto;
    XTestKeyboard keyboard;

    Figures quiet, loaded;
    if (!measure(velto, keyboard, runs, quiet)) {
        std::fprintf(stderr, "route-latency: the editor or the user's clipboard did not start\n");
        return 1;
    }
    {
        CpuLoad load;
        if (!load.isRunning() || !measure(velto, keyboard, runs, loaded)) {
            std::fprintf(stderr, "route-latency: stress-ng or the editor did not start\n");
            return 1;
        }
    }

    std::printf("%-8s %-26s %10s %10s %14s\n", "load", "route", "median ms", "max ms", "wrong");
    for (const auto& [name, figures] : {std::pair{"quiet", &quiet}, std::pair{"cpu 2", &loaded}}) {
        std::printf("%-8s %-26s %10.1f %10.1f %8d missed\n", name, "copy (Ctrl+C to text)",
                    median(figures->copyMs),
                    *std::max_element(figures->copyMs.begin(), figures->copyMs.end()),
                    figures->missedSelections);
        std::printf("%-8s %-26s %10.1f %10.1f %8d pastes\n", name, "paste (to clipboard back)",
                    median(figures->pasteMs),
                    *std::max_element(figures->pasteMs.begin(), figures->pasteMs.end()),
                    figures->wrongPastes);
    }
    for (const auto& [name, figures] :
         {std::pair{"quiet", &quiet}, std::pair{"stress-ng --cpu 2", &loaded}}) {
        std::printf("report|copy route (Qt editor), %s: median|%.1f|ms\n", name,
                    median(figures->copyMs));
        std::printf("report|paste route (Qt editor), %s: median|%.1f|ms\n", name,
                    median(figures->pasteMs));
        std::printf("report|copy and paste routes, %s: missed selections, wrong pastes|%d, %d|\n",
                    name, figures->missedSelections, figures->wrongPastes);
    }
    return 0;
}
