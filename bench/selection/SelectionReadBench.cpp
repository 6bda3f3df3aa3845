// How long reading the selection takes by each route, on a real desktop: through AT-SPI (the
// focused text widget answers) and by a synthetic copy (Ctrl+C, the settle wait, the clipboard
// read and restore), in l3afpad with a short and a long document. Prints the first read (which
// connects to the accessibility bus), then median and 90th percentile of the rest.
// Usage (inside scripts/with-env x11, as bench/selection-read does): velto_selection_read_bench
// [RUNS]
#include "fakes/platform/FakeFocusedSelection.h"
#include "x11/support/EditorWindow.h"
#include "x11/support/X11Rig.h"
#include "x11/support/XTestKeyboard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <qcoro/qcorotask.h>
#include <tuple>

using namespace velto;
using namespace velto::test;

namespace {

struct Figures
{
    double median = 0;
    double p90 = 0;
    bool allRead = true;
};

Figures time(SelectionService& service, int runs, const QString& expected)
{
    QList<double> ms;
    Figures figures;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const auto text = QCoro::waitFor(service.selectedTextFromFocusedApp());
        ms.append(clock.nsecsElapsed() / 1e6);
        figures.allRead = figures.allRead && text == expected;
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
    X11Rig velto;
    XTestKeyboard keyboard;

    QString longDocument;
    for (int line = 0; line < 20000; ++line)
        longDocument += QStringLiteral("line %1 of a long document to scroll\n").arg(line);
    const QList<std::pair<const char*, QString>> documents = {
        {"short document (1 line)", "the last line\n"},
        {"long document (20000 lines)", longDocument + "the last line\n"}};

    std::printf("%-30s %-8s %10s %10s  %s\n", "document", "route", "median ms", "p90 ms",
                "fell back to a copy");
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

        const QString expected = QStringLiteral("the last line");
        QElapsedTimer ready;
        ready.start();
        while (QCoro::waitFor(velto.focused.selectedText()) != std::optional<QString>(expected)) {
            if (ready.elapsed() > 30000) {
                std::fprintf(stderr, "selection-read: the editor never answered through AT-SPI\n");
                return 1;
            }
            QTest::qWait(50);
        }
        fakes::FakeFocusedSelection nothing;
        SelectionService viaCopy{nothing, velto.clipboard, velto.realKeys, velto.workspace,
                                 velto.sleeper};
        velto.keys.copies = 0;
        const Figures atspi = time(velto.service, runs, expected);
        const QByteArray misses =
            QByteArray::number(velto.keys.copies) + " of " + QByteArray::number(runs);
        const Figures copy = time(viaCopy, runs, expected);
        for (const auto& [route, figures, fallbacks] :
             {std::tuple{"AT-SPI", atspi, misses.constData()}, std::tuple{"copy", copy, "-"}}) {
            std::printf("%-30s %-8s %10.1f %10.1f  %s%s\n", name, route, figures.median,
                        figures.p90, fallbacks, figures.allRead ? "" : "  (wrong text read)");
        }
        std::printf("%-30s AT-SPI median is %.2f of the copy route's\n", name,
                    atspi.median / copy.median);
    }
    return 0;
}
