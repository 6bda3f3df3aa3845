#include "ControllerRig.h"
#include "support/TestRegistry.h"

#include <QTimer>

using namespace velto;
using namespace velto::test;
using namespace std::chrono_literals;

namespace {

const QString plain = FakePasteboard::stringType;

PasteboardSnapshot usersClipboard()
{
    return {
        PasteboardItem{{plain, QByteArray("kept text")}, {"text/html", QByteArray("<b>kept</b>")}},
        PasteboardItem{{"image/png", QByteArray("\x89PNG\0\r\n", 7)}}};
}

// A signed-in, launched rig with a selection and a clipboard to keep.
struct PipelineRig : ControllerRig
{
    PipelineRig() : ControllerRig(true)
    {
        launch();
        selection.text = QStringLiteral("  hello world \n");
        pasteboard.items = usersClipboard();
        backend.on("POST", "/rewrite", FakeResponse::text(200, "Hello, world.\n"));
        events.clear();
        log->lines.clear();
    }

    void rewrite()
    {
        delegate->triggerRewriteFromSelection();
        waitIdle();
    }
};

} // namespace

class RewritePipelineTest : public QObject
{
    Q_OBJECT

private slots:
    void aRewriteIsPastedAndTheClipboardComesBack()
    {
        PipelineRig rig;
        QSignalSpy pulse(rig.delegate.get(), &AppDelegate::pulseChanged);
        rig.rewrite();

        QCOMPARE(rig.pasteboard.stringsWritten, QStringList{"Hello, world."});
        QCOMPARE(rig.pasteboard.items, std::optional<PasteboardSnapshot>(usersClipboard()));
        const QStringList expected = {
            "pasteboard clear",
            "pasteboard setString",
            "activate 4242",
            "sleep 80",
            QStringLiteral("key down 9 flags=%1").arg(KeyModifier::command, 0, 16),
            "sleep 25",
            QStringLiteral("key up 9 flags=%1").arg(KeyModifier::command, 0, 16),
            "sleep 80",
            "pasteboard clear",
            "pasteboard writeItems 2",
            "sleep 300"};
        QCOMPARE(rig.events.entries(), expected);
        QCOMPARE(rig.sound.completionSounds, 1);
        QCOMPARE(rig.model().rewriteState(), RewriteState::succeeded());
        QCOMPARE(rig.model().uiStatus(), UIStatus::ready());
        QCOMPARE(rig.model().notice()->title, "Rewrite complete");
        QCOMPARE(rig.model().notice()->message, "Your selected text was replaced using Default.");
        QCOMPARE(rig.model().notice()->style, UserNoticeStyle::success);
        QVERIFY(rig.log->contains(LogLevel::info, "rewrite started"));
        QVERIFY(rig.log->contains(LogLevel::info, "rewrite succeeded"));
        QCOMPARE(pulse.count(), 2);
        QVERIFY(!rig.delegate->rewriteInFlight());
        const auto sent = rig.backend.requests("POST", "/rewrite");
        QCOMPARE(sent.size(), 1);
        QVERIFY(sent.first().body.contains("\"text\":\"hello world\""));
    }

    void aSecondTriggerWhileOneRunsIsDropped()
    {
        PipelineRig rig;
        rig.backend.on("POST", "/rewrite", FakeResponse::text(200, "Slow.").withDelay(300ms));
        rig.delegate->triggerRewriteFromSelection();
        rig.delegate->triggerRewriteFromSelection();
        QTest::qWait(50);
        rig.delegate->triggerRewriteFromSelection();
        rig.waitIdle();
        QCOMPARE(rig.backend.requests("POST", "/rewrite").size(), 1);
        rig.rewrite(); // and a later one runs again
        QCOMPARE(rig.backend.requests("POST", "/rewrite").size(), 2);
    }

    void missingPermissionsStopBeforeReadingTheSelection_data()
    {
        QTest::addColumn<bool>("inputMonitoring");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::newRow("input monitoring")
            << false << "Input Monitoring required"
            << "Enable Input Monitoring in Setup before trying to rewrite selected text.";
        QTest::newRow("accessibility")
            << true << "Accessibility required"
            << "Enable Accessibility in Setup so Velto can replace text in other apps.";
    }

    void missingPermissionsStopBeforeReadingTheSelection()
    {
        QFETCH(bool, inputMonitoring);
        QFETCH(QString, title);
        QFETCH(QString, message);
        PipelineRig rig;
        rig.permissions.inputMonitoring = inputMonitoring;
        rig.permissions.accessibility = false;
        const RewriteState before = rig.model().rewriteState();
        rig.rewrite();
        QCOMPARE(rig.model().notice()->title, title);
        QCOMPARE(rig.model().notice()->message, message);
        QCOMPARE(rig.model().notice()->style, UserNoticeStyle::warning);
        QCOMPARE(rig.model().rewriteState(), before);
        QCOMPARE(rig.selection.reads, 0);
        QVERIFY(rig.backend.requests("POST", "/rewrite").isEmpty());
        QVERIFY(!rig.delegate->rewriteInFlight());
    }

    void withoutASessionTheUserIsAskedToSignIn_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("signInStarted");
        QTest::newRow("log in") << "Log in" << true;
        QTest::newRow("cancel") << "Cancel" << false;
    }

    void withoutASessionTheUserIsAskedToSignIn()
    {
        QFETCH(QString, button);
        QFETCH(bool, signInStarted);
        ControllerRig rig;
        rig.launch();
        rig.backend.on("POST", "/auth/handoff/start", FakeResponse::json(500, "down"));
        rig.alerts.chosenTitle = button;
        rig.delegate->triggerRewriteFromSelection();
        rig.waitIdle();
        QCOMPARE(rig.alerts.shown.size(), 1);
        QCOMPARE(rig.alerts.shown.first().messageText, "Sign in required");
        QCOMPARE(rig.alerts.shown.first().informativeText,
                 "You need to sign in before rewriting text.");
        QCOMPARE(rig.alerts.shown.first().buttons, (QStringList{"Log in", "Cancel"}));
        QCOMPARE(rig.backend.requests("POST", "/auth/handoff/start").size(), signInStarted ? 1 : 0);
        QCOMPARE(rig.selection.reads, 0);
    }

    void nothingSelectedSaysHowToTryAgain()
    {
        PipelineRig rig;
        rig.model().setShortcutKeyID("r");
        rig.model().setShortcutRequiresShift(true);
        rig.selection.text = QStringLiteral(" \n ");
        rig.rewrite();
        QCOMPARE(rig.model().notice()->title, "No text selected");
        QCOMPARE(rig.model().notice()->message,
                 QStringLiteral("Select text in another app, then press Super+Shift+R again."));
        QCOMPARE(rig.model().rewriteState(), RewriteState::failed("No text selected."));
        QCOMPARE(rig.model().uiStatus(), UIStatus::error("No text selected."));
        QVERIFY(rig.backend.requests("POST", "/rewrite").isEmpty());
    }

    void serviceFailuresAreMappedAndLogged_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::newRow("server text") << 500 << QByteArray("Upstream failed") << "Rewrite failed"
                                     << "Upstream failed";
        QTest::newRow("token words")
            << 401 << QByteArray("invalid token") << "Account required"
            << "Your session is no longer valid. Sign in again from Setup to continue.";
        QTest::newRow("empty body")
            << 502 << QByteArray() << "Rewrite failed"
            << "The rewrite service returned an unexpected response. Please try again in a moment.";
    }

    void serviceFailuresAreMappedAndLogged()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, title);
        QFETCH(QString, message);
        PipelineRig rig;
        rig.backend.on("POST", "/rewrite", FakeResponse::text(status, body));
        const qint64 clipboardCount = rig.pasteboard.count;
        rig.rewrite();
        QCOMPARE(rig.model().notice()->title, title);
        QCOMPARE(rig.model().notice()->message, message);
        QCOMPARE(rig.model().rewriteState(), RewriteState::failed(message));
        QCOMPARE(rig.model().uiStatus(), UIStatus::error(message));
        QCOMPARE(rig.pasteboard.count, clipboardCount); // the clipboard was never touched
        QCOMPARE(rig.log->lines.last().level, LogLevel::error);
        QVERIFY(rig.log->lines.last().message.startsWith("rewrite failed: "));
        QVERIFY(rig.keys.posted.isEmpty());
    }

    void anUnreachableServiceIsANetworkIssue()
    {
        PipelineRig rig;
        rig.backend.stop();
        rig.rewrite();
        QCOMPARE(rig.model().notice()->title, "Network issue");
        QCOMPARE(rig.model().notice()->style, UserNoticeStyle::warning);
    }

    void switchingAwayPastesNothingAndRestoresTheClipboard()
    {
        PipelineRig rig;
        rig.backend.on("POST", "/rewrite", FakeResponse::text(200, "Later.").withDelay(200ms));
        QTimer::singleShot(50ms, [&] {
            rig.workspace.frontmost = RunningApplication{99, 9, "browser"};
        });
        rig.rewrite();
        QVERIFY(rig.keys.posted.isEmpty());
        QVERIFY(rig.workspace.activated.isEmpty());
        QCOMPARE(rig.pasteboard.items, std::optional<PasteboardSnapshot>(usersClipboard()));
        QCOMPARE(rig.model().rewriteState(), RewriteState::idle());
        QVERIFY(!rig.model().notice());
        QCOMPARE(rig.sound.completionSounds, 0);
    }

    void aSourceThatQuitGetsNoActivationButThePasteGoesAhead()
    {
        PipelineRig rig;
        rig.workspace.terminatedPids.insert(rig.sourceApp.processIdentifier);
        rig.rewrite();
        QVERIFY(rig.workspace.activated.isEmpty());
        QCOMPARE(rig.keys.posted.size(), 2);
        const QStringList& events = rig.events.entries();
        // No activation wait: the paste follows the clipboard write at once.
        QVERIFY(events.value(events.indexOf("pasteboard setString") + 1).startsWith("key down 9"));
        QCOMPARE(rig.model().rewriteState(), RewriteState::succeeded());
    }

    void soundFollowsThePreference()
    {
        PipelineRig rig;
        rig.model().setSoundOnCompletion(false);
        rig.rewrite();
        QCOMPARE(rig.sound.completionSounds, 0);
        QCOMPARE(rig.model().notice()->title, "Rewrite complete");
    }

    void aPasteThatCannotBePostedLeavesTheTextOnTheClipboard()
    {
        PipelineRig rig;
        rig.keys.postable = false;
        rig.rewrite();
        QVERIFY(rig.keys.posted.isEmpty());
        QCOMPARE(QCoro::waitFor(rig.pasteboard.readString()),
                 std::optional<QString>("Hello, world."));
        QCOMPARE(rig.model().notice()->title, "Paste failed");
        QCOMPARE(rig.model().notice()->style, UserNoticeStyle::warning);
        QVERIFY(rig.model().notice()->message.contains("clipboard"));
        QCOMPARE(rig.model().rewriteState().kind(), RewriteState::Kind::failed);
        QCOMPARE(rig.sound.completionSounds, 0);
    }
};

VELTO_REGISTER_TEST(RewritePipelineTest);
#include "RewritePipelineTest.moc"
