// How long the quick panel takes to open, measured inside the process so that the polling of
// outside tools does not count: from show() to the first frame the window swapped, for the
// first open (the view made) and for later ones (the view kept and only shown), with where the
// time of a later open goes. Run it on a display with a window manager (bench/ui does):
//   velto_panel_open [OPENS]   (later opens, default 20)
#include "model/AppModel.h"
#include "model/InMemoryPreferences.h"
#include "model/UserPreferencesStore.h"
#include "ui/QuickPanelViewController.h"
#include "ui/ViewEngine.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QList>
#include <QQuickView>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

using namespace velto;

namespace {

// Milliseconds from show() to each step of one open.
struct OpenTimes
{
    double shown = -1;    // show() returned
    double exposed = -1;  // the window manager mapped it
    double rendered = -1; // the scene graph drew the frame
    double swapped = -1;  // the frame reached the window
};

bool waitUntil(const std::function<bool()>& done, int milliseconds = 5000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

std::optional<OpenTimes> openOnce(QuickPanelViewController& panel)
{
    OpenTimes times;
    QElapsedTimer clock;
    const auto at = [&clock] { return clock.nsecsElapsed() / 1e6; };
    clock.start();
    panel.show(QRect(), QPoint(200, 200));
    times.shown = at();
    QQuickView* view = panel.view();
    if (!view)
        return std::nullopt;
    QObject scope;
    QObject::connect(view, &QQuickWindow::afterRendering, &scope, [&] {
        if (times.rendered < 0)
            times.rendered = at();
    });
    QObject::connect(view, &QQuickWindow::frameSwapped, &scope, [&] {
        if (times.swapped < 0)
            times.swapped = at();
    });
    const bool swapped = waitUntil([&] {
        if (times.exposed < 0 && view->isExposed())
            times.exposed = at();
        return times.swapped >= 0;
    });
    if (!swapped)
        return std::nullopt;
    return times;
}

bool closeOnce(QuickPanelViewController& panel)
{
    panel.close();
    const bool hidden = waitUntil([&] { return !panel.isShown(); });
    // Let the window manager settle, as between two clicks of a user.
    QElapsedTimer pause;
    pause.start();
    waitUntil([&] { return pause.elapsed() > 300; });
    return hidden;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

void print(const char* what, const QList<double>& values)
{
    if (values.isEmpty())
        return;
    std::printf("  %-28s median %6.1f ms   min %6.1f   max %6.1f\n", what, median(values),
                *std::min_element(values.begin(), values.end()),
                *std::max_element(values.begin(), values.end()));
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const int opens = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 20;

    UserPreferencesStore store(std::make_shared<InMemoryPreferences>());
    AppModel model(store, AppBuildConfig{});
    ViewEngine engine;
    QuickPanelViewController panel(model, {}, engine);

    const std::optional<OpenTimes> first = openOnce(panel);
    if (!first || !closeOnce(panel)) {
        std::fputs("panel-open: the panel did not draw a frame\n", stderr);
        return 1;
    }
    QList<double> shown, exposed, rendered, swapped;
    for (int i = 0; i < opens; ++i) {
        const std::optional<OpenTimes> later = openOnce(panel);
        if (!later || !closeOnce(panel)) {
            std::fputs("panel-open: the panel did not draw a frame\n", stderr);
            return 1;
        }
        shown << later->shown;
        exposed << later->exposed;
        rendered << later->rendered;
        swapped << later->swapped;
    }
    std::printf("show to first frame swapped, first open (view made): %.1f ms\n", first->swapped);
    std::printf("later opens (view kept), %d of them, from show():\n", opens);
    print("show() returned", shown);
    print("window exposed", exposed);
    print("frame rendered", rendered);
    print("frame swapped", swapped);
    return 0;
}
