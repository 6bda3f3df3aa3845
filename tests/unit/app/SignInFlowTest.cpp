#include "ControllerRig.h"
#include "support/TestRegistry.h"

using namespace velto;
using namespace velto::test;
using namespace std::chrono_literals;

namespace {

struct SignInRig : ControllerRig
{
    SignInRig()
    {
        launch();
        serveSignIn();
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

using Setup = std::function<void(SignInRig&)>;

} // namespace

Q_DECLARE_METATYPE(Setup)

class SignInFlowTest : public QObject
{
    Q_OBJECT

private slots:
    void aCompletedSignInConnectsTheAccount()
    {
        SignInRig rig;
        rig.backend.enqueue("GET", "/auth/handoff/poll",
                            FakeResponse::json(200, R"({"status":"pending"})"));
        rig.backend.enqueue("GET", "/auth/handoff/poll",
                            FakeResponse::json(200, R"({"status":"ready","exchange_code":"c"})"));
        rig.delegate->startSignIn();
        QCOMPARE(rig.model().authState(), AuthState::signingIn());
        QCOMPARE(rig.model().notice()->title, "Continue in your browser");
        rig.waitIdle();

        QCOMPARE(rig.workspace.openedURLs, QList<QUrl>{QUrl("http://127.0.0.1:9/login?h=h1")});
        QCOMPARE(rig.sent("GET", "/auth/handoff/poll"), 2);
        QCOMPARE(rig.sleeper.sleeps, QList<std::chrono::milliseconds>{500ms});
        QCOMPARE(rig.model().authState(), AuthState::signedIn("grace@example.test"));
        QCOMPARE(rig.noticeText(),
                 "Account connected | You're signed in and ready to rewrite text.");
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

    // Each way a sign-in ends without an account: the notice, where it failed, how far it got.
    void aSignInThatFailsSaysWhyAndLeavesNothingPending_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("notice"); // a trailing "…" matches any rest
        QTest::addColumn<QString>("logged");
        QTest::addColumn<int>("opened"); // browser pages asked for
        QTest::addColumn<int>("polls");
        const QString start = "auth login start failed: ";
        const QString polling = "auth polling failed: ";
        QTest::newRow("handoff expired")
            << Setup([](SignInRig& r) {
                   r.backend.on(
                       "GET", "/auth/handoff/poll",
                       FakeResponse::json(200, R"({"status":"failed","reason":"expired"})"));
               })
            << "Sign in failed | Sign-in failed: This sign-in session expired. Please start login "
               "again."
            << polling << 1 << 1;
        QTest::newRow("browser does not open")
            << Setup([](SignInRig& r) { r.workspace.openSucceeds = false; })
            << "Sign in failed | Could not open the browser for sign-in." << start << 1 << 0;
        QTest::newRow("start unreachable")
            << Setup([](SignInRig& r) { r.backend.stop(); })
            << "Sign in failed | Could not reach the server (network error: …" << start << 0 << 0;
        // A loop that stays pending ends at the deadline: 60 s of 500 ms polls.
        QTest::newRow("deadline") << Setup([](SignInRig& r) {
            r.backend.on("POST", "/auth/handoff/start",
                         FakeResponse::json(200, r.handoffStart("h1", 60, 500)));
            r.sleeper.onSleep = [&r] { r.clock->advance(0.5); };
        }) << "Sign in failed | Login timed out. Please try again."
                                  << polling << 1 << 120;
    }

    void aSignInThatFailsSaysWhyAndLeavesNothingPending()
    {
        QFETCH(Setup, setup);
        QFETCH(QString, notice);
        QFETCH(QString, logged);
        QFETCH(int, polls);
        SignInRig rig;
        setup(rig);
        rig.startAndWait();
        if (notice.endsWith(u'…'))
            QCOMPARE(rig.noticeText().left(notice.size() - 1), notice.chopped(1));
        else
            QCOMPARE(rig.noticeText(), notice);
        const QString message = rig.model().notice()->message;
        QCOMPARE(rig.model().uiStatus(), UIStatus::error(message));
        QVERIFY2(rig.log->contains(LogLevel::error, logged + message), qPrintable(logged));
        QCOMPARE(rig.model().authState(), AuthState::signedOut());
        QTEST(int(rig.workspace.openedURLs.size()), "opened");
        // The deadline lands within one poll of 120, wherever the clock's boundaries fall.
        const qsizetype sent = rig.sent("GET", "/auth/handoff/poll");
        QVERIFY2(std::abs(sent - polls) <= polls / 100, qPrintable(QString::number(sent)));
        QCOMPARE(rig.sent("POST", "/auth/handoff/cancel"), 0);
        QVERIFY(!rig.delegate->pendingWebLogin());
    }

    void aNewSignInSupersedesTheOneInProgress()
    {
        SignInRig rig;
        bool restarted = false;
        rig.sleeper.onSleep = [&] {
            if (std::exchange(restarted, true))
                return;
            rig.backend.on("POST", "/auth/handoff/start",
                           FakeResponse::json(200, rig.handoffStart("h2")));
            rig.backend.on("GET", "/auth/handoff/poll",
                           FakeResponse::json(200, R"({"status":"ready","exchange_code":"c2"})"));
            rig.delegate->startSignIn();
        };
        rig.startAndWait();
        QVERIFY(rig.waitForRequest("POST", "/auth/handoff/cancel"));

        const QStringList starts = rig.nonces("/auth/handoff/start");
        QCOMPARE(starts.size(), 2);
        QVERIFY(starts[0] != starts[1]);
        QCOMPARE(rig.nonces("/auth/handoff/cancel"), QStringList{starts[0]});
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
        QVERIFY(rig.waitForRequest("POST", "/auth/handoff/cancel"));
        rig.waitIdle();
        QCOMPARE(rig.noticeText(), "Signed out | Velto is disconnected until you sign in again.");
        QCOMPARE(rig.model().authState(), AuthState::signedOut());
        QCOMPARE(rig.model().availableTones(), AppModel::builtInTones());
        QVERIFY(rig.log->contains(LogLevel::info, "auth signed out"));
        QVERIFY(!rig.log->contains(LogLevel::error, "auth polling failed: "));
        QCOMPARE(rig.sent("GET", "/auth/handoff/poll"), 1);
    }
};

VELTO_REGISTER_TEST(SignInFlowTest);
#include "SignInFlowTest.moc"
