#include "AuthFixture.h"
#include "auth/AuthServiceError.h"
#include "auth/KeychainError.h"
#include "support/TestRegistry.h"

#include <QTest>
#include <nlohmann/json.hpp>

using namespace velto;

namespace {

const QString startPath = QStringLiteral("/auth/handoff/start");
const QString pollPath = QStringLiteral("/auth/handoff/poll");
const QString exchangePath = QStringLiteral("/auth/handoff/exchange");
const QString cancelPath = QStringLiteral("/auth/handoff/cancel");

QByteArray startAnswer(const QByteArray& loginURL, int expiresIn = 600, int pollInterval = 2000)
{
    return R"({"handoff_id":"h-1","login_url":")" + loginURL + R"(","expires_in_seconds":)" +
           QByteArray::number(expiresIn) + R"(,"poll_interval_ms":)" +
           QByteArray::number(pollInterval) + "}";
}

nlohmann::json bodyOf(const RecordedRequest& request)
{
    return nlohmann::json::parse(request.body.toStdString(), nullptr, false);
}

// Headers a request may carry that the network stack adds on its own.
bool onlyTransportHeaders(const RecordedRequest& request, bool withBody)
{
    QList<QByteArray> allowed{"host", "connection", "accept-encoding", "accept-language",
                              "user-agent"};
    if (withBody)
        allowed << "content-type"
                << "content-length";
    for (const QByteArray& name : request.headerNames()) {
        if (!allowed.contains(name)) {
            qWarning("unexpected header %s", name.constData());
            return false;
        }
    }
    return true;
}

} // namespace

class AuthServiceHandoffTest : public QObject
{
    Q_OBJECT

private slots:
    void startSendsItsFourMembersAndNothingElse()
    {
        AuthFixture f;
        f.backend.on(
            "POST", startPath,
            FakeResponse::json(200, startAnswer("https:\\/\\/login.example.test\\/p?x=1")));
        AuthService& service = f.start();
        const QString nonce = AuthService::randomDeviceNonce();
        const WebLoginStart start = runTask(service.startWebLogin(f.model, nonce));

        const RecordedRequest request = f.backend.requests().value(0);
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, startPath);
        QVERIFY(request.query.isEmpty());
        QCOMPARE(request.header("content-type"), QByteArray("application/json"));
        QVERIFY(onlyTransportHeaders(request, true));
        const nlohmann::json expected{{"client", "macos-velto"},
                                      {"client_version", "9.8.7"},
                                      {"device_nonce", nonce.toStdString()},
                                      {"provider", "email"}};
        QVERIFY2(bodyOf(request) == expected, request.body.constData());

        QCOMPARE(start, (WebLoginStart{"h-1", nonce, QUrl("https://login.example.test/p?x=1"), 2000,
                                       f.clock->now() + 600}));
    }

    void startAppliesTheMinimums()
    {
        AuthFixture f;
        f.backend.on("POST", startPath,
                     FakeResponse::json(200, startAnswer("http:\\/\\/h\\/", 10, 100)));
        const WebLoginStart start = runTask(f.start().startWebLogin(f.model, "n"));
        QCOMPARE(start.pollIntervalMs, 500);
        QCOMPARE(start.expiresAt, f.clock->now() + 60);
    }

    void startUsesTheBaseURLPath()
    {
        AuthFixture f(QStringLiteral("/api"));
        f.backend.on("POST", "/api" + startPath,
                     FakeResponse::json(200, startAnswer("https:\\/\\/h\\/")));
        runTask(f.start().startWebLogin(f.model, "n"));
        QCOMPARE(f.backend.requests().value(0).path, "/api" + startPath);
    }

    void startFailuresAreExplained_data()
    {
        QTest::addColumn<FakeResponse>("answer");
        QTest::addColumn<QString>("description");
        const QString invalid = "Sign-in flow returned an invalid response.";
        QTest::newRow("empty login URL") << FakeResponse::json(200, startAnswer("")) << invalid;
        QTest::newRow("login URL that is no URL")
            << FakeResponse::json(200, startAnswer("not a url")) << invalid;
        QTest::newRow("local file as login page")
            << FakeResponse::json(200, startAnswer("file:\\/\\/\\/etc\\/passwd")) << invalid;
        QTest::newRow("script as login page")
            << FakeResponse::json(200, startAnswer("javascript:alert(1)")) << invalid;
        QTest::newRow("500 without body")
            << FakeResponse::json(500, "") << "Could not start web sign-in.";
        QTest::newRow("200 without body") << FakeResponse::json(200, "") << invalid;
        QTest::newRow("200 JSON of another shape")
            << FakeResponse::json(200, R"({"ok":true})") << R"(Sign-in failed: {"ok":true})";
        QTest::newRow("200 with a float interval")
            << FakeResponse::json(
                   200,
                   R"({"handoff_id":"h","login_url":"u","expires_in_seconds":1,"poll_interval_ms":2.5})")
            << R"(Sign-in failed: {"handoff_id":"h","login_url":"u","expires_in_seconds":1,"poll_interval_ms":2.5})";
        QTest::newRow("proxy page")
            << FakeResponse::text(502, "<!doctype html><h1>Bad gateway</h1>", "text/html")
                   .withHeader("X-Request-Id", "rq-5")
            << "Sign-in failed: Sign-in failed due to an upstream server response. Please retry. "
               "Request ID: rq-5";
        QTest::newRow("structured error")
            << FakeResponse::json(
                   400, R"({"error":{"code":"bad_provider","message":"Unknown provider"}})")
            << "Sign-in failed: Unknown provider Code: bad_provider";
    }
    void startFailuresAreExplained()
    {
        QFETCH(FakeResponse, answer);
        QFETCH(QString, description);
        AuthFixture f;
        f.backend.on("POST", startPath, answer);
        QCOMPARE(thrownBy(f.start().startWebLogin(f.model, "n")).description(), description);
    }

    void pollSendsExactlyTwoQueryItems()
    {
        AuthFixture f;
        f.backend.on("GET", pollPath, FakeResponse::json(200, R"({"status":"pending"})"));
        const QString handoff = QStringLiteral("h+1 &=%/é");
        runTask(f.start().pollWebLogin(f.model, handoff, "nonce_-1"));

        const RecordedRequest request = f.backend.requests().value(0);
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, pollPath);
        QCOMPARE(request.query, (QList<QPair<QString, QString>>{{"handoff_id", handoff},
                                                                {"device_nonce", "nonce_-1"}}));
        QVERIFY(request.body.isEmpty());
        QVERIFY(onlyTransportHeaders(request, false));
    }

    void pollOutcomes_data()
    {
        QTest::addColumn<FakeResponse>("answer");
        QTest::addColumn<QString>("outcome");
        const QString invalid = "error: Sign-in flow returned an invalid response.";
        QTest::newRow("pending") << FakeResponse::json(200, R"({"status":"pending"})") << "pending";
        QTest::newRow("ready") << FakeResponse::json(200,
                                                     R"({"status":"ready","exchange_code":"c-9"})")
                               << "ready c-9";
        QTest::newRow("failed without reason")
            << FakeResponse::json(200, R"({"status":"failed"})") << "failed auth_failed";
        QTest::newRow("failed with reason")
            << FakeResponse::json(200, R"({"status":"failed","reason":"access_denied"})")
            << "failed access_denied";
        QTest::newRow("failed with empty reason")
            << FakeResponse::json(200, R"({"status":"failed","reason":""})") << "failed ";
        QTest::newRow("ready with empty code")
            << FakeResponse::json(200, R"({"status":"ready","exchange_code":""})") << invalid;
        QTest::newRow("ready without code")
            << FakeResponse::json(200, R"({"status":"ready"})") << invalid;
        QTest::newRow("upper-case status")
            << FakeResponse::json(200, R"({"status":"READY","exchange_code":"c"})") << invalid;
        QTest::newRow("status with spaces")
            << FakeResponse::json(200, R"({"status":" pending"})") << invalid;
        QTest::newRow("status of the wrong type") << FakeResponse::json(200, R"({"status":1})")
                                                  << R"(error: Sign-in failed: {"status":1})";
        QTest::newRow("404 with detail")
            << FakeResponse::json(404, R"({"detail":"Handoff not found"})")
            << "error: Sign-in failed: Handoff not found";
        QTest::newRow("500 empty") << FakeResponse::json(500, "") << invalid;
        QTest::newRow("invalid UTF-8") << FakeResponse::text(200, "\xff\xfe\xfd") << invalid;
    }
    void pollOutcomes()
    {
        QFETCH(FakeResponse, answer);
        QFETCH(QString, outcome);
        AuthFixture f;
        f.backend.on("GET", pollPath, answer);
        AuthService& service = f.start();
        QString actual;
        try {
            const WebLoginPollState state = runTask(service.pollWebLogin(f.model, "h", "n"));
            switch (state.kind()) {
            case WebLoginPollState::Kind::pending:
                actual = "pending";
                break;
            case WebLoginPollState::Kind::ready:
                actual = "ready " + state.exchangeCode();
                break;
            case WebLoginPollState::Kind::failed:
                actual = "failed " + state.reason();
                break;
            }
        } catch (const AppError& error) {
            actual = "error: " + error.description();
        }
        QCOMPARE(actual, outcome);
    }

    void exchangeCreatesAndStoresTheSession()
    {
        AuthFixture f;
        f.backend.on(
            "POST", exchangePath,
            FakeResponse::json(
                200,
                R"({"access_token":"at","refresh_token":"rt","expires_in":3600,"user":{"id":"u-7","email":"me@example.test"}})"));
        AuthService& service = f.start();
        runTask(service.exchangeWebLogin(f.model, "h-1", "n-1", "c-1"));

        const RecordedRequest request = f.backend.requests().value(0);
        QCOMPARE(request.path, exchangePath);
        QCOMPARE(request.header("content-type"), QByteArray("application/json"));
        QVERIFY(onlyTransportHeaders(request, true));
        const nlohmann::json expectedBody{
            {"handoff_id", "h-1"}, {"device_nonce", "n-1"}, {"exchange_code", "c-1"}};
        QVERIFY2(bodyOf(request) == expectedBody, request.body.constData());

        const StoredAuthSession expected{"at", "rt", f.clock->now() + 3600, "u-7",
                                         "me@example.test"};
        QCOMPARE(service.currentSession(), std::optional(expected));
        QCOMPARE(StoredAuthSession::decode(f.storedItem().value()), expected);
        QCOMPARE(runTask(service.syncAuthState(f.model)),
                 AuthState::signedIn(QStringLiteral("me@example.test")));
    }

    void exchangeWithZeroLifetimeRefreshesAtFirstUse()
    {
        AuthFixture f;
        f.backend.on(
            "POST", exchangePath,
            FakeResponse::json(
                200,
                R"({"access_token":"at","refresh_token":"rt","expires_in":0,"user":{"id":"u"}})"));
        f.backend.on(
            "POST", "/auth/v1/token",
            FakeResponse::json(
                200, R"({"access_token":"fresh","refresh_token":"r2","expires_in":3600})"));
        AuthService& service = f.start();
        runTask(service.exchangeWebLogin(f.model, "h", "n", "c"));
        QCOMPARE(service.currentSession()->email, std::nullopt);
        QCOMPARE(runTask(service.authorizationHeader(f.model)), QStringLiteral("Bearer fresh"));
    }

    void exchangeFailuresLeaveNoSession_data()
    {
        QTest::addColumn<FakeResponse>("answer");
        QTest::addColumn<QString>("description");
        const QByteArray noUser = R"({"access_token":"at","refresh_token":"rt","expires_in":60})";
        QTest::newRow("no user") << FakeResponse::json(200, noUser)
                                 << "Sign-in failed: " + QString::fromUtf8(noUser);
        QTest::newRow("401 empty")
            << FakeResponse::json(401, "") << "Failed to exchange auth code for session.";
        QTest::newRow("429 empty")
            << FakeResponse::json(429, "")
            << "Sign-in failed: Too many auth requests. Please retry in a few seconds.";
        QTest::newRow("huge body") << FakeResponse::text(200, QByteArray(3 * 1024 * 1024, 'z'))
                                   << "Sign-in failed: " + QString(240, 'z') + "...";
    }
    void exchangeFailuresLeaveNoSession()
    {
        QFETCH(FakeResponse, answer);
        QFETCH(QString, description);
        AuthFixture f;
        f.backend.on("POST", exchangePath, answer);
        AuthService& service = f.start();
        QCOMPARE(thrownBy(service.exchangeWebLogin(f.model, "h", "n", "c")).description(),
                 description);
        QVERIFY(!service.currentSession());
        QVERIFY(!f.storedItem());
    }

    void exchangeKeepsTheSessionWhenTheKeychainFails()
    {
        AuthFixture f;
        f.backend.on(
            "POST", exchangePath,
            FakeResponse::json(
                200, R"({"access_token":"at","refresh_token":"rt","expires_in":60,"user":{}})"));
        f.keychain->saveError = KeychainError::unavailable("The name is not activatable");
        AuthService& service = f.start();
        const AppError error = thrownBy(service.exchangeWebLogin(f.model, "h", "n", "c"));
        QVERIFY(error.is(KeychainError::domain, KeychainError::unavailableCode));
        QCOMPARE(runTask(service.syncAuthState(f.model)), AuthState::signedIn(std::nullopt));
    }

    void cancelIsSentAndNeverFails()
    {
        AuthFixture f;
        f.storeSession({"a", "r", f.clock->now() + 3600, std::nullopt, std::nullopt});
        f.backend.on("POST", cancelPath, FakeResponse::json(500, "boom"));
        AuthService& service = f.start();
        runTask(service.cancelWebLogin(f.model, "h-2", "n-2"));
        const RecordedRequest request = f.backend.requests().value(0);
        QCOMPARE(request.path, cancelPath);
        const nlohmann::json expectedBody{{"handoff_id", "h-2"}, {"device_nonce", "n-2"}};
        QVERIFY2(bodyOf(request) == expectedBody, request.body.constData());
        QVERIFY(onlyTransportHeaders(request, true));
        QVERIFY(service.currentSession());

        f.backend.stop();
        runTask(service.cancelWebLogin(f.model, "h-2", "n-2"));
        QVERIFY(service.currentSession());
    }
};

VELTO_REGISTER_TEST(AuthServiceHandoffTest);
#include "AuthServiceHandoffTest.moc"
