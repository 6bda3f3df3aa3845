#include "app/RewriteFlow.h"
#include "FlowRig.h"
#include "support/TestRegistry.h"

using namespace velto;
using namespace velto::test;

namespace {

struct RewriteFlowRig : FlowRig
{
    explicit RewriteFlowRig(bool signedIn) : FlowRig(signedIn)
    {
        selection.text = QStringLiteral("hello world");
        clipboard.items =
            ClipboardSnapshot{ClipboardItem{{FakeClipboard::stringType, QByteArray("kept")}}};
        backend.on("POST", "/rewrite", FakeResponse::text(200, "Hello, world."));
    }
    ~RewriteFlowRig() { waitFlowIdle(); }

    void waitFlowIdle()
    {
        QVERIFY(QTest::qWaitFor([this] { return flow.isIdle(); }, 10000));
    }

    int signInRequests = 0;
    RewriteFlow flow{
        services(), model,
        RewriteFlow::Hooks{[this] { model.setCapabilities(sessionAccess.capabilities()); },
                           [this] { ++signInRequests; }}};
};

} // namespace

class RewriteFlowTest : public QObject
{
    Q_OBJECT

private slots:
    // The prompt can be answered after quitting began; the answer then starts nothing.
    void aPromptAnsweredAfterStopStartsNoSignIn()
    {
        RewriteFlowRig rig(false);
        rig.alerts.answerLater = true;
        rig.flow.trigger();
        QCOMPARE(rig.alerts.openCount(), 1);
        QVERIFY(rig.flow.inFlight());
        rig.flow.stop();
        rig.alerts.answer("Log in");
        rig.waitFlowIdle();
        QCOMPARE(rig.signInRequests, 0);
        QVERIFY(!rig.flow.inFlight());
        QCOMPARE(rig.selection.reads, 0);
    }

    void aStoppedFlowStartsNoRewrite()
    {
        RewriteFlowRig rig(true);
        rig.flow.stop();
        rig.flow.trigger();
        rig.flow.triggerAfterPanel(rig.sourceApp);
        rig.waitFlowIdle();
        QCOMPARE(rig.selection.reads, 0);
        QCOMPARE(rig.sent("POST", "/rewrite"), 0);
        QVERIFY(rig.alerts.shown.isEmpty());
    }

    // A rewrite already pasting when quitting begins finishes, but leaves no clipboard guard
    // behind to hold up the exit.
    void aRewriteFinishingWhileQuittingLeavesNoClipboardGuard()
    {
        RewriteFlowRig rig(true);
        rig.sleeper.onSleep = [&] { rig.flow.stop(); };
        rig.flow.trigger();
        rig.waitFlowIdle();
        QCOMPARE(rig.clipboard.stringsWritten, QStringList{"Hello, world."});
        QCOMPARE(rig.model.rewriteState(), RewriteState::succeeded());
        QCOMPARE(rig.clipboard.items,
                 std::optional<ClipboardSnapshot>(ClipboardSnapshot{
                     ClipboardItem{{FakeClipboard::stringType, QByteArray("kept")}}}));
        QCOMPARE(rig.events.entries().last(), "clipboard writeItems 1");
    }

    // With no clipboard to leave the text on, the text is offered for copying from Velto's own
    // window, and the notice never claims the clipboard holds it.
    void aRewriteNoRouteCouldWriteIsOfferedForCopying()
    {
        RewriteFlowRig rig(true);
        rig.clipboard.writable = false;
        rig.alerts.answerLater = true;
        rig.flow.trigger();
        QVERIFY(QTest::qWaitFor([&] { return rig.alerts.openCount() == 1; }));
        QCOMPARE(rig.model.notice()->title, "Rewrite not written");
        QVERIFY(!rig.model.notice()->message.contains("on the clipboard"));
        QCOMPARE(rig.alerts.shown.first().messageText, "Rewrite not written");
        QCOMPARE(rig.alerts.shown.first().buttons, (QStringList{"Copy", "Discard"}));
        // Ctrl+V would have pasted the user's old clipboard.
        QVERIFY(rig.keys.posted.isEmpty());
        QCOMPARE(rig.activations, 1);
        rig.alerts.answer("Copy");
        rig.waitFlowIdle();
        QCOMPARE(rig.copied, QStringList{"Hello, world."});
        QCOMPARE(rig.model.notice()->title, "Rewritten text copied");
        QCOMPARE(rig.model.rewriteState().kind(), RewriteState::Kind::failed);
        QVERIFY(!rig.flow.inFlight());
    }

    // Declined, or closed by quitting, the offer copies nothing.
    void aDeclinedOrClosedCopyOfferCopiesNothing()
    {
        for (const bool quit : {false, true}) {
            RewriteFlowRig rig(true);
            rig.clipboard.writable = false;
            rig.selection.replacement = FocusedSelection::Replacement::halfApplied;
            rig.alerts.answerLater = true;
            rig.flow.trigger();
            QVERIFY(QTest::qWaitFor([&] { return rig.alerts.openCount() == 1; }));
            QCOMPARE(rig.model.notice()->title, "Replacement incomplete");
            if (quit) {
                rig.flow.stop();
                rig.alerts.closeAll();
            } else {
                rig.alerts.answer("Discard");
            }
            rig.waitFlowIdle();
            QVERIFY(rig.copied.isEmpty());
            QCOMPARE(rig.model.notice()->title, "Replacement incomplete");
        }
    }
};

VELTO_REGISTER_TEST(RewriteFlowTest);
#include "RewriteFlowTest.moc"
