// How long the shortcut takes to become the first words of the rewrite in the preview window,
// on the real desktop: velto-server with the openai engine against a fake upstream whose first
// token comes after a delay (a model's time to first token), l3afpad, and the `velto` binary with
// its preview preference on, keys through XTest. Prints median and 90th percentile of
//   - the press of Super+L to the app's log line "preview first text shown" (drawn in the
//     window), each preview then cancelled with Escape;
//   - the request to the first streamed piece at the client (RewriteAPI::rewriteStream in this
//     process, with the session the app stored), and that less the upstream's delay: the part
//     the client, velto-server and the loopback add.
// Usage (inside scripts/with-env e2e, as bench/preview-latency does):
//   velto_preview_latency --upstream PROGRAM --preference KEY [--runs N] [--first-token-delay-ms
//   MS]
#include "DesktopBench.h"
#include "auth/AuthService.h"
#include "e2e/app/AppRig.h"
#include "model/AppBuildConfig.h"
#include "model/AppModel.h"
#include "model/JsonPreferenceFile.h"
#include "model/UserPreferencesStore.h"
#include "net/HttpClient.h"
#include "rewrite/RewriteAPI.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <qcoro/qcorotask.h>

using namespace velto;
using namespace velto::test;

namespace {

const QString selection =
    QStringLiteral("the the quarterly report is  almost done , i will send it");
const QByteArray shownLine = "preview first text shown";
constexpr int warmUps = 2;

void print(const char* what, QList<double> values)
{
    std::sort(values.begin(), values.end());
    std::printf("%-44s median %6.1f ms   p90 %6.1f ms   min %6.1f   max %6.1f\n", what,
                values.at(values.size() / 2), values.at(values.size() * 9 / 10), values.first(),
                values.last());
}

// Milliseconds from the request to the first piece; the rest is read to the end, so the server
// finishes each stream as it would for the window. None when no piece came.
QCoro::Task<std::optional<double>> firstPiece(RewriteAPI& api, AppModel& model, AuthService& auth)
{
    QElapsedTimer clock;
    clock.start();
    auto stream = api.rewriteStream(selection, model, auth);
    auto piece = co_await stream.begin();
    if (piece == stream.end())
        co_return std::nullopt;
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    while (piece != stream.end())
        co_await ++piece;
    co_return ms;
}

// Start the fake upstream; its base URL, or empty.
QString startUpstream(QProcess& upstream, const QString& program, int delayMs)
{
    upstream.start(program, {QStringLiteral("--first-token-delay-ms"), QString::number(delayMs)});
    if (!upstream.waitForStarted(5000) ||
        !QTest::qWaitFor([&] { return upstream.canReadLine(); }, 5000))
        return {};
    return QString::fromUtf8(upstream.readLine()).trimmed();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const DesktopBench bench("preview-latency");
    const QStringList arguments = QCoreApplication::arguments();
    const auto option = [&](const char* name, const QString& fallback = {}) {
        const qsizetype at = arguments.indexOf(QString::fromLatin1(name));
        return at > 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : fallback;
    };
    const QString upstreamProgram = option("--upstream");
    const QString previewKey = option("--preference");
    const int runs = std::max(1, option("--runs", QStringLiteral("10")).toInt());
    const int delayMs =
        std::max(0, option("--first-token-delay-ms", QStringLiteral("300")).toInt());
    if (upstreamProgram.isEmpty() || previewKey.isEmpty())
        return bench.fail(
            QStringLiteral("usage: velto_preview_latency --upstream PROGRAM --preference "
                           "KEY [--runs N] [--first-token-delay-ms MS]"));

    QProcess upstream;
    const QString upstreamUrl = startUpstream(upstream, upstreamProgram, delayMs);
    if (upstreamUrl.isEmpty())
        return bench.fail(QStringLiteral("the fake upstream did not start"));
    AppRig rig;
    if (const QString failed = rig.start(
            selection, {{previewKey, true}},
            {QStringLiteral("--engine"), QStringLiteral("openai"), QStringLiteral("--upstream-url"),
             upstreamUrl, QStringLiteral("--upstream-model"), QStringLiteral("fake-model"),
             QStringLiteral("--poll-interval-ms"), QStringLiteral("200"),
             QStringLiteral("--rewrite-rate"), QStringLiteral("0")});
        !failed.isEmpty())
        return bench.fail(failed);
    if (const QString failed = rig.signIn(); !failed.isEmpty())
        return bench.fail(QStringLiteral("sign-in: ") + failed);
    EditorWindow& editor = *rig.editor;
    VeltoAppProcess& app = *rig.app;
    XTestKeyboard& keyboard = rig.keyboard;

    std::printf("openai engine, fake upstream: first token after %d ms; \"%s\" on in the app's "
                "preferences; %d runs after %d warm-up runs\n",
                delayMs, qPrintable(previewKey), runs, warmUps);

    // The shortcut to the first words in the window.
    QList<double> shown;
    bool neverShown = false;
    const int shownTimeoutMs = delayMs + 5000;
    for (int run = 0; run < warmUps + runs; ++run) {
        if (!editor.activate())
            return bench.fail(QStringLiteral("the editor did not come to the front"));
        keyboard.chord({XTestKeyboard::controlL}, 'a');
        const int before = app.logCount(shownLine);
        QElapsedTimer clock;
        clock.start();
        keyboard.chord({XTestKeyboard::superL}, 'l');
        if (!DesktopBench::waitFor([&] { return app.logCount(shownLine) > before; },
                                   shownTimeoutMs)) {
            neverShown = true;
            break;
        }
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        // Cancel: the document and the clipboard stay as they are, and the editor is in front.
        // Escape goes to whichever window has the focus, which the preview may take only after
        // its first words are drawn: an Escape that reached the editor would leave the preview
        // open, and the next press would be ignored.
        const auto editorActive = [&] {
            return xdotool({QStringLiteral("getactivewindow")}).toUInt() == editor.window();
        };
        if (!QTest::qWaitFor([&] { return !editorActive(); }, 5000))
            return bench.fail(QStringLiteral("run %1: the preview did not get the focus").arg(run));
        const int cancelled = app.logCount("preview cancelled");
        keyboard.chord({}, XTestKeyboard::escape);
        if (!QTest::qWaitFor([&] { return app.logCount("preview cancelled") > cancelled; }, 5000))
            return bench.fail(QStringLiteral("run %1: Escape did not cancel the preview").arg(run));
        if (!QTest::qWaitFor(editorActive, 5000))
            return bench.fail(
                QStringLiteral("run %1: the editor did not get the focus back").arg(run));
        if (run >= warmUps)
            shown << ms;
    }
    if (neverShown)
        std::printf("shortcut to first preview text: NOT MEASURED, the app never logged \"%s\" "
                    "within %d ms (a build without the preview window does not)\n",
                    shownLine.constData(), shownTimeoutMs);
    else
        print("shortcut to first preview text", shown);
    std::printf("  aim: the upstream's %d ms + 50 ms = %d ms\n", delayMs, delayMs + 50);

    // The request to the first piece at the client, with the session the app stored.
    UserPreferencesStore store(std::make_shared<JsonPreferenceFile>(
        JsonPreferenceFile::defaultPath(), JsonPreferenceFile::Access::readOnly));
    AppModel model(store, AppBuildConfig::load());
    RewriteAPI api(std::make_shared<HttpClient>());
    AuthService& auth = AuthService::shared();
    if (!QCoro::waitFor(auth.canAuthorize(model)))
        return bench.fail(QStringLiteral("no session to stream with in the keyring"));
    QList<double> first, ours;
    for (int run = 0; run < warmUps + runs; ++run) {
        std::optional<double> ms;
        try {
            ms = QCoro::waitFor(firstPiece(api, model, auth));
        } catch (const AppError& error) {
            return bench.fail(QStringLiteral("the stream failed: ") + error.description());
        }
        if (!ms)
            return bench.fail(QStringLiteral("the stream ended without a piece"));
        if (run < warmUps)
            continue;
        first << *ms;
        ours << *ms - delayMs;
    }
    print("request to first streamed piece, client", first);
    print("  less the upstream's first-token delay", ours);
    const QString quit = app.quit();
    upstream.terminate();
    upstream.waitForFinished(5000);
    if (!quit.isEmpty())
        return bench.fail(quit);
    return neverShown ? 2 : 0;
}
