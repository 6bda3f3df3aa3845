#include "ControllerRig.h"
#include "support/TestRegistry.h"

using namespace velto;
using namespace velto::test;
using namespace std::chrono_literals;

namespace {

QByteArray startAnswer(const QByteArray& handoff, int lifetime = 600, int interval = 500)
{
    return "{\"handoff_id\":\"" + handoff +
           "\",\"login_url\":\"http://127.0.0.1:9/login?h=" + handoff +
           "\",\"expires_in_seconds\":" + QByteArray::number(lifetime) +
           ",\"poll_interval_ms\":" + QByteArray::number(interval) + "}";
}

const QByteArray exchangeAnswer =
    "{\"access_token\":\"access-2\",\"refresh_token\":\"refresh-2\",\"expires_in\":3600, "
    "\"user\":{\"id\":\"user-2\",\"email\":\"grace@example.test\"}}";

struct SignInRig : ControllerRig
{
    SignInRig()
    {
        launch();
        backend.on("POST", "/auth/handoff/start", FakeResponse::json(200, startAnswer("h1")));
        backend.on("POST", "/auth/handoff/exchange", FakeResponse::json(200, exchangeAnswer));
        backend.on("POST", "/auth/handoff/cancel", FakeResponse::json(200, "{}"));
        backend.on("GET", "/auth/handoff/poll",
                   FakeResponse::json(200, "{\"status\":\"pending\"}"));
        log->lines.clear();
    }

    void startAndWait()
    {
        delegate->startSignIn();
        waitIdle();
    }

    QStringList nonces(const QByteArray& path)
    {
        QStringList result;
        for (const RecordedRequest& request : backend.requests("POST", path))
            result << QString::fromStdString(
                nlohmann::json::parse(request.body.toStdString())["device_nonce"]);
        return result;
    }
};

} // namespace

class SignInFlowTest : public QObject
{
    Q_OBJECT

private slots:
    void aCompletedSignInConnectsTheAccount()
    {
        SignInRig rig;
        rig.backend.enqueue("GET", "/auth/handoff/poll",
                            FakeResponse::json(200, "{\"status\":\"pending\"}"));
        rig.backend.enqueue(
            "GET", "/auth/handoff/poll",
            FakeResponse::json(200, "{\"status\":\"ready\",\"exchange_code\":\"code-1\"}"));
        QSignalSpy auth(&rig.model(), &AppModel::authStateChanged);
        rig.delegate->startSignIn();
        QCOMPARE(rig.model().authState(), AuthState::signingIn());
        QCOMPARE(rig.model().notice()->title, "Continue in your browser");
        rig.waitIdle();

        QCOMPARE(rig.workspace.openedURLs.size(), 1);
        QCOMPARE(rig.workspace.openedURLs.first().toString(), "http://127.0.0.1:9/login?h=h1");
        QCOMPARE(rig.backend.requests("GET", "/auth/handoff/poll").size(), 2);
        QCOMPARE(rig.sleeper.sleeps, QList<std::chrono::milliseconds>{500ms});
        QCOMPARE(rig.model().authState(), AuthState::signedIn("grace@example.test"));
        QCOMPARE(rig.model().notice()->title, "Account connected");
        QCOMPARE(rig.model().notice()->message, "You're signed in and ready to rewrite text.");
        QCOMPARE(rig.model().availableTones().size(), 2); // catalogue fetched for the account
        QVERIFY(!rig.delegate->pendingWebLogin());
        QVERIFY(!rig.delegate->webLoginRunning());
        // The controller's own lines, in this order (the session store adds its own).
        const QStringList expected = {"auth sign-in requested", "auth login started",
                                      "auth login completed"};
        QStringList lines;
        for (const auto& line : rig.log->lines) {
            if (expected.contains(line.message))
                lines << line.message;
        }
        QCOMPARE(lines, expected);
    }

    void aFailedHandoffExplainsWhy()
    {
        SignInRig rig;
        rig.backend.on("GET", "/auth/handoff/poll",
                       FakeResponse::json(200, "{\"status\":\"failed\",\"reason\":\"expired\"}"));
        rig.startAndWait();
        const QString text =
            "Sign-in failed: This sign-in session expired. Please start login again.";
        QCOMPARE(rig.model().notice()->title, "Sign in failed");
        QCOMPARE(rig.model().notice()->message, text);
        QCOMPARE(rig.model().uiStatus(), UIStatus::error(text));
        QCOMPARE(rig.model().authState(), AuthState::signedOut());
        QVERIFY(rig.log->contains(LogLevel::error, "auth polling failed: " + text));
        QVERIFY(rig.backend.requests("POST", "/auth/handoff/cancel").isEmpty());
        QVERIFY(!rig.delegate->pendingWebLogin());
    }

    void theDeadlineEndsALoopThatStaysPending()
    {
        SignInRig rig;
        rig.backend.on("POST", "/auth/handoff/start",
                       FakeResponse::json(200, startAnswer("h1", 60, 500)));
        rig.sleeper.onSleep = [&] { rig.clock->advance(0.5); };
        rig.startAndWait();
        QCOMPARE(rig.model().notice()->message, "Login timed out. Please try again.");
        QCOMPARE(rig.model().authState(), AuthState::signedOut());
        const qsizetype polls = rig.backend.requests("GET", "/auth/handoff/poll").size();
        QVERIFY2(polls >= 119 && polls <= 121, qPrintable(QString::number(polls)));
    }

    void aNewSignInSupersedesTheOneInProgress()
    {
        SignInRig rig;
        bool restarted = false;
        rig.sleeper.onSleep = [&] {
            if (restarted)
                return;
            restarted = true;
            rig.backend.on("POST", "/auth/handoff/start",
                           FakeResponse::json(200, startAnswer("h2")));
            rig.backend.on(
                "GET", "/auth/handoff/poll",
                FakeResponse::json(200, "{\"status\":\"ready\",\"exchange_code\":\"code-2\"}"));
            rig.delegate->startSignIn();
        };
        rig.startAndWait();
        QVERIFY(QTest::qWaitFor(
            [&] { return !rig.backend.requests("POST", "/auth/handoff/cancel").isEmpty(); }));

        const QStringList starts = rig.nonces("/auth/handoff/start");
        QCOMPARE(starts.size(), 2);
        QVERIFY(starts[0] != starts[1]);
        const QStringList cancels = rig.nonces("/auth/handoff/cancel");
        QCOMPARE(cancels, QStringList{starts[0]});
        QVERIFY(
            rig.backend.requests("POST", "/auth/handoff/cancel").first().body.contains("\"h1\""));
        QCOMPARE(rig.model().authState(), AuthState::signedIn("grace@example.test"));
        QCOMPARE(rig.model().notice()->title, "Account connected");
        QVERIFY(!rig.delegate->pendingWebLogin());
    }

    void signingOutWhilePollingCancelsSilently()
    {
        SignInRig rig;
        rig.sleeper.onSleep = [&] {
            if (rig.delegate->pendingWebLogin())
                rig.delegate->signOut();
        };
        rig.model().applyServerConfig({Option{"x", "X"}}, {}, "x", "auto");
        rig.startAndWait();
        QVERIFY(QTest::qWaitFor(
            [&] { return !rig.backend.requests("POST", "/auth/handoff/cancel").isEmpty(); }));
        rig.waitIdle();
        QCOMPARE(rig.model().notice()->title, "Signed out");
        QCOMPARE(rig.model().notice()->message, "Velto is disconnected until you sign in again.");
        QCOMPARE(rig.model().authState(), AuthState::signedOut());
        QCOMPARE(rig.model().availableTones(), AppModel::builtInTones());
        QVERIFY(rig.log->contains(LogLevel::info, "auth signed out"));
        QVERIFY(!rig.log->contains(LogLevel::error, "auth polling failed: "));
        QCOMPARE(rig.backend.requests("GET", "/auth/handoff/poll").size(), 1);
    }

    void aBrowserThatCannotOpenLeavesNothingPending()
    {
        SignInRig rig;
        rig.workspace.openSucceeds = false;
        rig.startAndWait();
        const QString text = "Could not open the browser for sign-in.";
        QCOMPARE(rig.model().notice()->title, "Sign in failed");
        QCOMPARE(rig.model().notice()->message, text);
        QVERIFY(rig.log->contains(LogLevel::error, "auth login start failed: " + text));
        QVERIFY(!rig.delegate->pendingWebLogin());
        QVERIFY(rig.backend.requests("GET", "/auth/handoff/poll").isEmpty());
        QVERIFY(rig.backend.requests("POST", "/auth/handoff/cancel").isEmpty());
        QCOMPARE(rig.model().authState(), AuthState::signedOut());
    }

    void aStartThatFailsIsReported()
    {
        SignInRig rig;
        rig.backend.stop();
        rig.startAndWait();
        QCOMPARE(rig.model().notice()->title, "Sign in failed");
        QVERIFY(rig.model().notice()->message.contains("network"));
        QCOMPARE(rig.model().authState(), AuthState::signedOut());
        QVERIFY(rig.workspace.openedURLs.isEmpty());
    }
};

VELTO_REGISTER_TEST(SignInFlowTest);
#include "SignInFlowTest.moc"
