// What the shortcut costs on each route, on a real desktop with the real key grab, in l3afpad:
//   - over PRESSES presses of Super+L (default 100), how often the selection read through AT-SPI
//     still fell back to a synthetic copy (the grab takes the focus from the window for a moment,
//     and a loaded machine lets the application say late that it has it back);
//   - the press to the rewrite in the editor's buffer (its title gains "*", in X server time),
//     with an instant rewrite, when written in place through AT-SPI and when pasted.
// Usage (inside scripts/with-env x11, as bench/shortcut-route does):
//   velto_shortcut_route_bench [PRESSES [RUNS]]
#include "WindowTitleWatcher.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/X11Rig.h"
#include "x11/support/XTestKeyboard.h"

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::test;

namespace {

const QString original = QStringLiteral("the first draft of a sentence");

int fail(const char* why)
{
    std::fprintf(stderr, "shortcut-route: %s\n", why);
    return 1;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

double percentile90(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() * 9 / 10);
}

// What the app does on the shortcut, without the backend: read, then write `rewrite` over the
// selection by the route asked for.
struct Press
{
    explicit Press(X11Rig& velto) : velto(velto) {}

    X11Rig& velto;
    bool write = false;
    bool inPlace = true;
    QString rewrite;
    bool done = false;
    std::optional<QString> read;
    std::optional<SelectionService::PasteOutcome> outcome;

    QCoro::Task<> run()
    {
        std::optional<SelectedRange> range;
        const auto source = velto.workspace.frontmostApplication();
        read = co_await velto.service.selectedTextFromFocusedApp(&range);
        if (write && read) {
            PasteboardSnapshot restored;
            if (!inPlace)
                range.reset();
            outcome = co_await velto.service.replaceSelection(rewrite, range, source, &restored);
            if (outcome == SelectionService::PasteOutcome::pasted)
                co_await velto.service.guardRestoredClipboard(restored, rewrite);
        }
        done = true;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int presses = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 100;
    const int runs = argc > 2 ? std::max(3, QByteArray(argv[2]).toInt()) : 20;
    X11Rig velto;
    XTestKeyboard keyboard;
    if (!velto.hotkeys.start())
        return fail("Super+L could not be grabbed");
    Press press(velto);
    velto.hotkeys.onHotkey = [&] {
        press.done = false;
        press.run();
    };
    const auto pressAndWait = [&] {
        keyboard.chord({XTestKeyboard::superL}, 'l');
        return QTest::qWaitFor([&] { return press.done; }, 10000);
    };

    EditorWindow editor(original);
    if (!editor.start())
        return fail("the editor did not start");
    keyboard.chord({XTestKeyboard::controlL}, 'a');
    if (!QTest::qWaitFor(
            [&] { return QCoro::waitFor(velto.focused.selectedText()) == original; }, 30000))
        return fail("the editor never answered through AT-SPI");

    // The read alone, press after press.
    int copied = 0, wrong = 0;
    for (int i = 0; i < presses; ++i) {
        const int copiesBefore = velto.keys.copies;
        if (!pressAndWait())
            return fail("a press was never handled");
        copied += velto.keys.copies > copiesBefore;
        wrong += press.read != original;
    }
    std::printf("AT-SPI read on the shortcut: fell back to a copy in %d of %d presses%s\n", copied,
                presses, wrong ? qPrintable(QStringLiteral(" (%1 wrong reads)").arg(wrong)) : "");

    // Press to text, in place and pasted, alternately.
    WindowTitleWatcher titles(editor.window());
    QList<double> times[2];
    int notInPlace = 0;
    press.write = true;
    for (int run = 0; run < 2 * runs + 2; ++run) {
        const bool inPlace = run % 2 == 0;
        if (!editor.activate())
            return fail("the editor did not come to the front");
        keyboard.chord({XTestKeyboard::controlL}, 'a');
        press.inPlace = inPlace;
        press.rewrite = QStringLiteral("the rewritten sentence, run %1").arg(run);
        const std::uint32_t pressed = titles.serverTime();
        if (!pressAndWait())
            return fail("a press was never handled");
        std::optional<std::uint32_t> changed;
        if (!QTest::qWaitFor([&] { return (changed = titles.changedTo("*", pressed)).has_value(); },
                             10000))
            return fail("the editor's buffer never changed");
        if (!editor.saveAndWaitFor(keyboard, press.rewrite))
            return fail("the editor does not hold the rewrite");
        if (!QTest::qWaitFor(
                [&] {
                    return !xdotool({QStringLiteral("getwindowname"),
                                     QString::number(editor.window())})
                                .startsWith('*');
                },
                5000))
            return fail("the saved buffer still shows as changed");
        notInPlace += inPlace && press.outcome != SelectionService::PasteOutcome::replacedInPlace;
        if (run >= 2) // the first of each is a warm-up
            times[inPlace ? 0 : 1] << double(std::int32_t(*changed - pressed));
    }
    std::printf("Super+L to text in l3afpad, instant rewrite, %d runs each:\n", runs);
    std::printf("%-28s median %6.1f ms   p90 %6.1f ms\n", "in place (AT-SPI)", median(times[0]),
                percentile90(times[0]));
    std::printf("%-28s median %6.1f ms   p90 %6.1f ms\n", "pasted (XTest Ctrl+V)",
                median(times[1]), percentile90(times[1]));
    if (notInPlace)
        std::printf("(%d in-place runs were pasted instead)\n", notInPlace);
    return 0;
}
