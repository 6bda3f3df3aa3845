// How long reading the selection takes by each route, on a real desktop: through AT-SPI (the
// focused text widget answers) and by a synthetic copy (Ctrl+C, the settle wait, the clipboard
// read and restore), in l3afpad with a short and a long document. Prints the first read (which
// connects to the accessibility bus), then median and 90th percentile of the rest.
// Usage (inside scripts/with-env x11, as bench/selection-read does): velto_selection_read_bench
// [RUNS]
#include "fakes/platform/FakeFocusedSelection.h"
#include "platform/TimerSleeper.h"
#include "platform/linux/AtspiFocusedSelection.h"
#include "platform/linux/DesktopLauncher.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11SyntheticKeys.h"
#include "platform/x11/X11Windows.h"
#include "platform/x11/X11Workspace.h"
#include "system/SelectionService.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/XTestKeyboard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::test;

namespace {

struct Figures
{
    double first = 0;
    double median = 0;
    double p90 = 0;
    bool allRead = true;
};

Figures time(SelectionService& service, int runs, const QString& expected)
{
    QList<double> ms;
    Figures figures;
    for (int run = 0; run <= runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const auto text = QCoro::waitFor(service.selectedTextFromFocusedApp());
        const double elapsed = clock.nsecsElapsed() / 1e6;
        figures.allRead = figures.allRead && text == expected;
        if (run == 0)
            figures.first = elapsed;
        else
            ms.append(elapsed);
    }
    std::sort(ms.begin(), ms.end());
    figures.median = ms.at(ms.size() / 2);
    figures.p90 = ms.at(ms.size() * 9 / 10);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(5, QByteArray(argv[1]).toInt()) : 30;

    X11Connection connection;
    X11Keymap keymap{connection};
    X11Windows windows{connection};
    X11Clipboard clipboard{connection};
    X11SyntheticKeys keys{connection, keymap, windows};
    DesktopLauncher launcher;
    X11Workspace workspace{connection, windows, launcher};
    TimerSleeper sleeper;
    XTestKeyboard keyboard;

    QByteArray longDocument;
    for (int line = 0; line < 20000; ++line)
        longDocument += "line " + QByteArray::number(line) + " of a long document to scroll\n";
    const QList<std::pair<const char*, QByteArray>> documents = {
        {"short document (1 line)", "the last line\n"},
        {"long document (20000 lines)", longDocument + "the last line\n"}};

    std::printf("%-30s %-10s %10s %10s %10s\n", "document", "route", "first ms", "median ms",
                "p90 ms");
    for (const auto& [name, text] : documents) {
        EditorWindow editor(text);
        if (!editor.start()) {
            std::fprintf(stderr, "selection-read: the editor did not start\n");
            return 1;
        }
        // The last line, without its line end.
        keyboard.chord({XTestKeyboard::controlL}, XTestKeyboard::end);
        keyboard.chord({}, XTestKeyboard::left);
        keyboard.chord({XTestKeyboard::shiftL}, XTestKeyboard::home);
        QTest::qWait(300);

        AtspiFocusedSelection focused{workspace};
        fakes::FakeFocusedSelection nothing;
        SelectionService viaAtspi{focused, clipboard, keys, workspace, sleeper};
        SelectionService viaCopy{nothing, clipboard, keys, workspace, sleeper};
        const QString expected = QStringLiteral("the last line");
        const Figures atspi = time(viaAtspi, runs, expected);
        const Figures copy = time(viaCopy, runs, expected);
        for (const auto& [route, figures] : {std::pair{"AT-SPI", atspi}, std::pair{"copy", copy}}) {
            std::printf("%-30s %-10s %10.1f %10.1f %10.1f%s\n", name, route, figures.first,
                        figures.median, figures.p90, figures.allRead ? "" : "  (wrong text read)");
        }
        std::printf("%-30s AT-SPI median is %.2f of the copy route's\n", name,
                    atspi.median / copy.median);
    }
    return 0;
}
