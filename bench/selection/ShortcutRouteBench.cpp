// How often the selection read through AT-SPI still falls back to a synthetic copy when Super+L
// is pressed through the real key grab, in l3afpad, over PRESSES presses (default 100): the grab
// takes the focus from the window for a moment, and a loaded machine lets the application say
// late that it has it back. (Super+L to the text in place: bench/app-latency.)
// Usage (inside scripts/with-env x11, as bench/shortcut-route does):
//   velto_shortcut_route_bench [PRESSES]
#include "x11/support/EditorWindow.h"
#include "x11/support/X11Rig.h"
#include "x11/support/XTestKeyboard.h"

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <qcoro/qcorotask.h>
#include <utility>

using namespace velto;
using namespace velto::test;

namespace {

const QString original = QStringLiteral("the first draft of a sentence");

int fail(const char* why)
{
    std::fprintf(stderr, "shortcut-route: %s\n", why);
    return 1;
}

// What the app does first on the shortcut: read the selection.
struct Press
{
    explicit Press(X11Rig& velto) : velto(velto) {}

    X11Rig& velto;
    bool done = false;
    std::optional<QString> read;

    QCoro::Task<> run()
    {
        read = co_await velto.service.selectedTextFromFocusedApp();
        done = true;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int presses = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 100;
    X11Rig velto;
    XTestKeyboard keyboard;
    if (!velto.hotkeys.start())
        return fail("Super+L could not be grabbed");
    Press press(velto);
    // One read at a time, as the app rewrites.
    bool running = false;
    velto.hotkeys.onHotkey = [&] {
        if (std::exchange(running, true))
            return;
        press.done = false;
        press.run();
    };
    const auto pressAndWait = [&] {
        running = false;
        keyboard.chord({XTestKeyboard::superL}, 'l');
        return QTest::qWaitFor([&] { return press.done; }, 10000);
    };

    EditorWindow editor(original);
    if (!editor.start())
        return fail("the editor did not start");
    keyboard.chord({XTestKeyboard::controlL}, 'a');
    if (!QTest::qWaitFor([&] { return QCoro::waitFor(velto.focused.selectedText()) == original; },
                         30000))
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

    return 0;
}
