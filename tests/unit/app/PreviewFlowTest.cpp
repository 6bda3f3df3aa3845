#include "app/PreviewFlow.h"
#include "FlowRig.h"
#include "RecordingWindows.h"
#include "app/RewriteFlow.h"
#include "support/TestRegistry.h"
#include "system/SelectionService.h"
#include "ui/PreviewPresenter.h"

using namespace velto;
using namespace velto::test;
using namespace std::chrono_literals;

namespace {

using State = PreviewPresenter::State;

FakeResponse::Chunk sse(const QByteArray& data, std::chrono::milliseconds delay = 0ms)
{
    return {"data: " + data + "\n\n", delay};
}

// Whether any log line holds the text.
bool logged(const RecordingLogSink& log, const QString& text)
{
    return std::any_of(
        log.lines.cbegin(), log.lines.cend(),
        [&](const RecordingLogSink::Line& line) { return line.message.contains(text); });
}

// A string field of the request's JSON body.
QString field(const RecordedRequest& request, const char* name)
{
    const nlohmann::json body = nlohmann::json::parse(request.body.toStdString(), nullptr, false);
    return body.is_object() && body.contains(name) && body[name].is_string()
               ? QString::fromStdString(body[name].get<std::string>())
               : QString();
}

const ClipboardSnapshot userClipboard{ClipboardItem{{FakeClipboard::stringType, "kept"}}};

struct PreviewRig : FlowRig
{
    PreviewRig() : FlowRig(true)
    {
        selection.text = QStringLiteral("hello world");
        clipboard.items = userClipboard;
        backend.on("POST", "/rewrite/stream",
                   FakeResponse::stream(
                       {sse("Hello"), sse(",", 60ms), sse(" world.", 60ms), sse("[DONE]")}));
    }
    ~PreviewRig()
    {
        flow.stop();
        QVERIFY(QTest::qWaitFor([this] { return flow.isIdle() && rewrite.isIdle(); }, 10000));
    }

    // Opens the preview and waits until the stream has ended.
    void openFinished()
    {
        flow.trigger();
        QVERIFY(QTest::qWaitFor([this] { return presenter().state() != State::Streaming; }, 10000));
        QCOMPARE(presenter().state(), State::Finished);
    }
    void waitIdle()
    {
        QVERIFY(QTest::qWaitFor([this] { return flow.isIdle() && rewrite.isIdle(); }, 10000));
    }
    PreviewPresenter& presenter() { return flow.presenter(); }
    QList<RecordedRequest> streams() const { return backend.requests("POST", "/rewrite/stream"); }

    RecordingWindows windows{events};
    RewriteFlow rewrite{
        services(), model,
        RewriteFlow::Hooks{[this] { model.setCapabilities(sessionAccess.capabilities()); }, [] {}}};
    PreviewFlow flow{services(), model, rewrite, [this] { return &windows; }};
};

} // namespace

class PreviewFlowTest : public QObject
{
    Q_OBJECT

private slots:
    void theTextShownIsThePiecesSoFarAtEachStep()
    {
        PreviewRig rig;
        QStringList shown;
        connect(&rig.presenter(), &PreviewPresenter::textChanged, this,
                [&] { shown.append(rig.presenter().text()); });
        rig.openFinished();
        shown.removeAll(QString()); // the restart's clearing
        QCOMPARE(shown, (QStringList{"Hello", "Hello,", "Hello, world."}));
        QCOMPARE(rig.windows.previewsOpened.size(), 1);
        QCOMPARE(rig.presenter().original(), "hello world");
        QCOMPARE(rig.presenter().result(), "Hello, world.");
        QVERIFY(logged(*rig.log, "preview finished"));
        QVERIFY(!logged(*rig.log, "hello world"));
        QVERIFY(!logged(*rig.log, "world."));
    }

    // The first answer never ends on its own: Retry drops it (the service sees the client go)
    // and the second answer alone fills the window.
    void retryCancelsTheRunningStreamAndShowsTheNewOne()
    {
        PreviewRig rig;
        rig.backend.enqueue("POST", "/rewrite/stream",
                            FakeResponse::stream({sse("First"), sse(" late", 20s)}));
        rig.backend.enqueue("POST", "/rewrite/stream",
                            FakeResponse::stream({sse("Second"), sse("[DONE]", 30ms)}));
        rig.flow.trigger();
        QTRY_COMPARE(rig.presenter().text(), "First");
        rig.presenter().retry();
        QTRY_COMPARE(rig.presenter().state(), State::Finished);
        QCOMPARE(rig.presenter().text(), "Second");
        QCOMPARE(rig.streams().size(), 2);
        QTRY_COMPARE(rig.backend.abortedStreams(), 1);
        QCOMPARE(rig.windows.previewsOpened.size(), 1);
    }

    void aToneOrLanguageChangeRestartsForTheSameText()
    {
        PreviewRig rig;
        rig.openFinished();
        rig.model.setToneID(QStringLiteral("professional"));
        QTRY_COMPARE(rig.streams().size(), 2);
        QTRY_COMPARE(rig.presenter().state(), State::Finished);
        QCOMPARE(field(rig.streams().last(), "tone"), "professional");
        QCOMPARE(field(rig.streams().last(), "text"), "hello world");
        // The same choice again asks nothing new.
        rig.model.setToneID(QStringLiteral("professional"));
        rig.model.setLanguageID(QStringLiteral("german"));
        QTRY_COMPARE(rig.streams().size(), 3);
        QTRY_COMPARE(rig.presenter().state(), State::Finished);
        QCOMPARE(field(rig.streams().last(), "language"), "german");
    }

    void escapeLeavesTheDocumentAndTheClipboardAlone()
    {
        PreviewRig rig;
        rig.openFinished();
        rig.presenter().cancel();
        rig.waitIdle();
        QCOMPARE(rig.windows.previewsClosed, 1);
        QCOMPARE(rig.clipboard.items, std::optional<ClipboardSnapshot>(userClipboard));
        QVERIFY(rig.clipboard.stringsWritten.isEmpty());
        QVERIFY(rig.selection.replacements.isEmpty());
        QVERIFY(rig.keys.posted.isEmpty());
        QVERIFY(!rig.flow.running());
        QVERIFY(logged(*rig.log, "preview cancelled"));
        // The guard is free again.
        QVERIFY(rig.rewrite.claim());
        rig.rewrite.release();
    }

    void enterReplacesThroughTheSelectionInPlace()
    {
        PreviewRig rig;
        rig.selection.replacement = FocusedSelection::Replacement::replaced;
        rig.openFinished();
        rig.presenter().replace();
        rig.waitIdle();
        QCOMPARE(rig.selection.replacements.size(), 1);
        QCOMPARE(rig.selection.replacements[0].first.text, "hello world");
        QCOMPARE(rig.selection.replacements[0].second, "Hello, world.");
        QCOMPARE(rig.clipboard.items, std::optional<ClipboardSnapshot>(userClipboard));
        QCOMPARE(rig.model.rewriteState(), RewriteState::succeeded());
        QCOMPARE(rig.windows.previewsClosed, 1);
        QVERIFY(!rig.flow.running());
    }

    // Without a direct route the text is pasted into the application that was in front, with
    // the user's clipboard given back, as a rewrite without preview does.
    void enterPastesIntoTheSourceWhenTheTextCannotBeReplacedInPlace()
    {
        PreviewRig rig;
        rig.openFinished();
        rig.presenter().replace();
        rig.waitIdle();
        QCOMPARE(rig.clipboard.stringsWritten, QStringList{"Hello, world."});
        QCOMPARE(rig.keys.posted, (QList<PostedKey>{{SelectionService::pasteChord, true},
                                                    {SelectionService::pasteChord, false}}));
        QCOMPARE(rig.clipboard.items, std::optional<ClipboardSnapshot>(userClipboard));
        QCOMPARE(rig.model.rewriteState(), RewriteState::succeeded());
    }

    void copyPutsTheRewriteOnTheClipboardAndReplacesNothing()
    {
        PreviewRig rig;
        rig.openFinished();
        rig.presenter().copy();
        rig.waitIdle();
        QCOMPARE(rig.copied, QStringList{"Hello, world."});
        // The guard's clipboard is not involved: nothing to give back later.
        QCOMPARE(rig.clipboard.items, std::optional<ClipboardSnapshot>(userClipboard));
        QVERIFY(rig.selection.replacements.isEmpty());
        QVERIFY(rig.keys.posted.isEmpty());
        QCOMPARE(rig.windows.previewsClosed, 1);
    }

    void aFailedStreamShowsTheNoticeInTheWindowAndReplacesNothing()
    {
        PreviewRig rig;
        rig.backend.on("POST", "/rewrite/stream", FakeResponse::stream({sse("Half")}));
        rig.flow.trigger();
        QTRY_COMPARE(rig.presenter().state(), State::Failed);
        QCOMPARE(rig.presenter().errorTitle(), "Rewrite failed");
        QCOMPARE(rig.presenter().errorMessage(), "The rewrite service returned an unexpected "
                                                 "response. Please try again in a moment.");
        rig.presenter().replace();
        rig.presenter().copy();
        rig.waitIdle();
        QVERIFY(rig.selection.replacements.isEmpty());
        QVERIFY(rig.copied.isEmpty());
        QCOMPARE(rig.clipboard.items, std::optional<ClipboardSnapshot>(userClipboard));
        QVERIFY(rig.flow.running());
    }

    // An answer of white space alone would replace the selection with nothing.
    void aBlankAnswerIsAFailureNotAnEmptyReplacement()
    {
        PreviewRig rig;
        rig.backend.on("POST", "/rewrite/stream", FakeResponse::stream({sse(" "), sse("[DONE]")}));
        rig.flow.trigger();
        QTRY_COMPARE(rig.presenter().state(), State::Failed);
        QVERIFY(!rig.presenter().finished());
    }

    // One preview or rewrite at a time: a second press reads nothing, and the rewrite without
    // preview waits for the window to close.
    void anOpenPreviewHoldsTheRewriteGuard()
    {
        PreviewRig rig;
        rig.openFinished();
        rig.flow.trigger();
        rig.rewrite.trigger();
        rig.waitIdle();
        QCOMPARE(rig.selection.reads, 1);
        QCOMPARE(rig.sent("POST", "/rewrite"), 0);
        QCOMPARE(rig.windows.previewsOpened.size(), 1);
    }

    void noSelectionOpensNoWindow()
    {
        PreviewRig rig;
        rig.selection.text.reset();
        rig.flow.trigger();
        rig.waitIdle();
        QVERIFY(rig.windows.previewsOpened.isEmpty());
        QVERIFY(!rig.flow.running());
        QCOMPARE(rig.model.notice()->title, "No text selected");
        QCOMPARE(rig.streams().size(), 0);
    }
};

VELTO_REGISTER_TEST(PreviewFlowTest);
#include "PreviewFlowTest.moc"
