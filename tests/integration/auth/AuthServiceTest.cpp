#include "AuthFixture.h"
#include "auth/AuthServiceError.h"
#include "auth/KeychainError.h"
#include "auth/SecretServiceKeychainStore.h"
#include "net/DecodingError.h"
#include "support/TestRegistry.h"

#include <QDir>
#include <QTest>

using namespace velto;

namespace {

const QString tokenPath = QStringLiteral("/auth/v1/token");

QByteArray tokenAnswer(const char* access, const char* refresh, int expiresIn,
                       const char* user = nullptr)
{
    QByteArray body = QByteArray(R"({"access_token":")") + access + R"(","refresh_token":")" +
                      refresh + R"(","expires_in":)" + QByteArray::number(expiresIn);
    if (user)
        body += QByteArray(R"(,"user":)") + user;
    return body + "}";
}

const QString startPath = QStringLiteral("/auth/handoff/start");
const QString pollPath = QStringLiteral("/auth/handoff/poll");
const QString exchangePath = QStringLiteral("/auth/handoff/exchange");
const QString cancelPath = QStringLiteral("/auth/handoff/cancel");

FakeResponse startAnswer(const QByteArray& loginURL, int expiresIn = 600, int pollInterval = 2000,
                         const QByteArray& userCode = {})
{
    QByteArray more;
    if (!userCode.isNull())
        more = R"(,"user_code":")" + userCode + R"(")";
    return FakeResponse::json(200, R"({"handoff_id":"h-1","login_url":")" + loginURL +
                                       R"(","expires_in_seconds":)" +
                                       QByteArray::number(expiresIn) + R"(,"poll_interval_ms":)" +
                                       QByteArray::number(pollInterval) + more + "}");
}

const QString jsonHeaders = QStringLiteral("content-length content-type=application/json ");

const QString invalid = "Sign-in flow returned an invalid response.";
const QByteArray floatInterval =
    R"({"handoff_id":"h","login_url":"u","expires_in_seconds":1,"poll_interval_ms":2.5})";
const QByteArray noUser = R"({"access_token":"at","refresh_token":"rt","expires_in":60})";
const auto json = [](const QByteArray& body) { return FakeResponse::json(200, body); };
const struct Answer
{
    const char *name, *call;
    FakeResponse answer;
    QString outcome;
} answers[] = {
    {"start, below the minimums", "start", startAnswer("http:\\/\\/h\\/", 10, 100),
     "started, polls every 500 ms for 60 s"},
    {"start, with a confirmation code", "start",
     startAnswer("http:\\/\\/h\\/", 600, 2000, "ABCD-7K3M"),
     "started, polls every 2000 ms for 600 s, code ABCD-7K3M"},
    // The code is shown to the user: markup or a long text is no code.
    {"start, markup as the code", "start", startAnswer("http:\\/\\/h\\/", 600, 2000, "<img src=x>"),
     "started, polls every 2000 ms for 600 s"},
    {"start, empty login URL", "start", startAnswer(""), invalid},
    {"start, login URL that is no URL", "start", startAnswer("not a url"), invalid},
    {"start, local file as login page", "start", startAnswer("file:\\/\\/\\/etc\\/passwd"),
     invalid},
    {"start, script as login page", "start", startAnswer("javascript:alert(1)"), invalid},
    {"start, 500 without body", "start", FakeResponse::json(500, ""),
     "Could not start web sign-in."},
    {"start, 200 without body", "start", json(""), invalid},
    {"start, 200 JSON of another shape", "start", json(R"({"ok":true})"),
     R"(Sign-in failed: {"ok":true})"},
    {"start, 200 with a float interval", "start", json(floatInterval),
     "Sign-in failed: " + QString::fromUtf8(floatInterval)},
    {"start, proxy page", "start",
     FakeResponse::text(502, "\n<!DOCTYPE HTML><h1>Bad gateway</h1>", "text/html")
         .withHeader("X-Request-Id", "rq-5"),
     "Sign-in failed: Sign-in failed due to an upstream server response. Please retry. "
     "Request ID: rq-5"},
    {"poll, pending", "poll", json(R"({"status":"pending"})"), "pending"},
    {"poll, ready", "poll", json(R"({"status":"ready","exchange_code":"c-9"})"), "ready c-9"},
    {"poll, failed without reason", "poll", json(R"({"status":"failed"})"), "failed auth_failed"},
    {"poll, failed with reason", "poll", json(R"({"status":"failed","reason":"access_denied"})"),
     "failed access_denied"},
    {"poll, failed with empty reason", "poll", json(R"({"status":"failed","reason":""})"),
     "failed "},
    {"poll, ready with empty code", "poll", json(R"({"status":"ready","exchange_code":""})"),
     invalid},
    {"poll, ready without code", "poll", json(R"({"status":"ready"})"), invalid},
    {"poll, upper-case status", "poll", json(R"({"status":"READY","exchange_code":"c"})"), invalid},
    {"poll, status with spaces", "poll", json(R"({"status":" pending"})"), invalid},
    {"poll, status of the wrong type", "poll", json(R"({"status":1})"),
     R"(Sign-in failed: {"status":1})"},
    {"poll, 404 with detail", "poll", FakeResponse::json(404, R"({"detail":"Handoff not found"})"),
     "Sign-in failed: Handoff not found"},
    {"poll, 500 empty", "poll", FakeResponse::json(500, ""), invalid},
    {"poll, invalid UTF-8", "poll", FakeResponse::text(200, "\xff\xfe\xfd"), invalid},
    {"exchange, no user", "exchange", json(noUser), "Sign-in failed: " + QString::fromUtf8(noUser)},
    {"exchange, 401 empty", "exchange", FakeResponse::json(401, ""),
     "Failed to exchange auth code for session."},
    {"exchange, 429 empty", "exchange", FakeResponse::json(429, ""),
     "Sign-in failed: Too many auth requests. Please retry in a few seconds."},
    {"exchange, huge body", "exchange", FakeResponse::text(200, QByteArray(3 * 1024 * 1024, 'z')),
     "Sign-in failed: " + QString(240, 'z') + "..."},
};

} // namespace

// AuthService against the fake backend: the stored session and its refresh, then the web
// sign-in handoff's requests and answers; last, the real keyring store with no bus.
class AuthServiceTest : public QObject
{
    Q_OBJECT

private slots:
    // No item, an unreadable one (deleted at start) or a sign-out: signed out, nothing sent. Which
    // items are unreadable is the decoding table's.
    void withoutAUsableSessionNothingIsAuthorized_data()
    {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<bool>("signOut");
        QTest::addColumn<QStringList>("calls");
        const QStringList readAndRemove{"read", "remove"};
        QTest::newRow("no item") << QByteArray() << false << QStringList{"read"};
        QTest::newRow("signed out")
            << AuthFixture().storeSessionExpiringIn(3600).encoded() << true << readAndRemove;
        QTest::newRow("not JSON") << QByteArray("\x00\x01garbage", 9) << false << readAndRemove;
    }
    void withoutAUsableSessionNothingIsAuthorized()
    {
        QFETCH(QByteArray, item);
        QFETCH(bool, signOut);
        QFETCH(QStringList, calls);
        AuthFixture f;
        if (!item.isNull())
            f.keychain->items.insert(AuthFixture::itemKey, item);
        f.start();
        if (signOut)
            runTask(f.service->signOut(f.model));
        QCOMPARE(f.storedItem(), std::nullopt);
        QCOMPARE(f.keychain->calls, calls);
        QCOMPARE(f.state(), AuthState::signedOut());
        QVERIFY(!f.canAuthorize());
        QVERIFY(
            thrownBy(f.service->authorizationHeader(f.model)).is(AuthServiceError::notSignedIn()));
        // A sign-out asks the backend to end the session too (see below); nothing else is sent.
        QCOMPARE(f.backend.requests().size(), signOut ? 1 : 0);
    }

    // The session ends on the backend: its access token on the Supabase logout, behind the
    // anon key. The answer does not matter; with no backend at all the session is forgotten
    // here all the same.
    void signOutEndsTheSessionOnTheBackend_data()
    {
        QTest::addColumn<bool>("backendUp");
        QTest::newRow("backend answers") << true;
        QTest::newRow("backend gone") << false;
    }
    void signOutEndsTheSessionOnTheBackend()
    {
        QFETCH(bool, backendUp);
        AuthFixture f;
        f.storeSessionExpiringIn(3600);
        f.backend.on("POST", QStringLiteral("/auth/v1/logout"), FakeResponse::json(204, ""));
        AuthService& service = f.start();
        if (!backendUp)
            f.backend.stop();
        runTask(service.signOut(f.model));
        QVERIFY(!service.currentSession());
        QCOMPARE(f.storedItem(), std::nullopt);
        QCOMPARE(f.state(), AuthState::signedOut());
        if (!backendUp)
            return;
        QCOMPARE(f.backend.requests().size(), 1);
        const RecordedRequest logout = f.request();
        QCOMPARE(logout.method, QByteArray("POST"));
        QCOMPARE(logout.path, QStringLiteral("/auth/v1/logout"));
        QCOMPARE(logout.header("authorization"), std::optional<QByteArray>("Bearer old-access"));
        QCOMPARE(logout.header("apikey"), std::optional<QByteArray>("anon-key"));
    }

    // Callers that find the token stale at the same moment share one refresh: a second one
    // would present the spent refresh token, which the backend takes for theft.
    void concurrentCallersShareOneRefresh()
    {
        AuthFixture f;
        f.storeSessionExpiringIn(0);
        f.backend.on("POST", tokenPath,
                     FakeResponse::json(200, tokenAnswer("new-a", "new-r", 3600))
                         .withDelay(std::chrono::milliseconds(200)));
        AuthService& service = f.start();
        QCoro::Task<QString> first = service.validAccessToken(f.model);
        QCoro::Task<QString> second = service.validAccessToken(f.model);
        QCoro::Task<QString> third = service.authorizationHeader(f.model);
        QCOMPARE(runTask(std::move(first)), QStringLiteral("new-a"));
        QCOMPARE(runTask(std::move(second)), QStringLiteral("new-a"));
        QCOMPARE(runTask(std::move(third)), QStringLiteral("Bearer new-a"));
        QCOMPARE(f.backend.requests(QByteArray("POST"), tokenPath).size(), 1);
    }

    void refreshesWhenExpiryIsWithinSixtySeconds()
    {
        AuthFixture f;
        f.storeSessionExpiringIn(61);
        f.backend.on("POST", tokenPath,
                     FakeResponse::json(200, tokenAnswer("new-a", "new-r", 3600)));
        f.start();
        QCOMPARE(f.header(), QStringLiteral("Bearer old-access"));
        QVERIFY(f.backend.requests().isEmpty());

        f.clock->advance(1); // now exactly 60 s before expiry
        QCOMPARE(f.header(), QStringLiteral("Bearer new-a"));
        QCOMPARE(f.backend.requests().size(), 1);
        // An answer without user drops the old identity.
        QCOMPARE(f.service->currentSession()->userID, std::nullopt);
        QCOMPARE(f.state(), AuthState::signedIn(std::nullopt));
    }

    // A token handed out must stay in the session (g++ 12 moved it out on co_return), whether
    // the caller found the session loaded or waited for the keyring.
    void aValidTokenServesEveryCallerWithoutARefresh_data()
    {
        QTest::addColumn<int>("latencyMs");
        QTest::newRow("session loaded") << 0;
        QTest::newRow("session loading") << 20;
    }
    void aValidTokenServesEveryCallerWithoutARefresh()
    {
        QFETCH(int, latencyMs);
        AuthFixture f;
        f.keychain->latency = std::chrono::milliseconds(latencyMs);
        f.storeSessionExpiringIn(3600);
        f.service = std::make_unique<AuthService>(f.keychain, f.http, f.clock);
        QCOMPARE(f.service->isLoaded(), latencyMs == 0);
        // The rewrite asks several times in a row: the header, can it authorize, the token.
        QCOMPARE(f.header(), QStringLiteral("Bearer old-access"));
        QVERIFY(f.canAuthorize());
        QCOMPARE(runTask(f.service->validAccessToken(f.model)), QStringLiteral("old-access"));
        QCOMPARE(f.header(), QStringLiteral("Bearer old-access"));
        QCOMPARE(f.service->currentSession()->accessToken, QStringLiteral("old-access"));
        QVERIFY(f.backend.requests().isEmpty());
    }

    void refreshSendsTheSupabaseRequestAndStoresTheAnswer()
    {
        AuthFixture f;
        f.storeSessionExpiringIn(10);
        f.backend.on(
            "POST", tokenPath,
            FakeResponse::json(200, tokenAnswer("new-a", "new-r", 3600,
                                                R"({"id":"u-2","email":"new@example.test"})")));
        AuthService& service = f.start();
        QCOMPARE(runTask(service.validAccessToken(f.model)), QStringLiteral("new-a"));

        // The anon key, never the session's token.
        QCOMPARE(described(f.request()),
                 "POST " + tokenPath +
                     " [grant_type=refresh_token] apikey=anon-key content-length "
                     "content-type=application/json " +
                     jsonText({{"refresh_token", "old-refresh"}}));

        const StoredAuthSession expected{"new-a", "new-r", f.clock->now() + 3600, "u-2",
                                         "new@example.test"};
        QCOMPARE(service.currentSession(), std::optional(expected));
        QCOMPARE(StoredAuthSession::decode(f.storedItem().value()), expected);
    }

    // A stored session signs in at start (its e-mail shown) and stays signed in when a refresh
    // fails.
    void failedRefreshKeepsSessionAndItem_data()
    {
        QTest::addColumn<FakeResponse>("answer");
        QTest::addColumn<QString>("errorDomain");
        QTest::addColumn<int>("errorCode");
        const int exchangeFailed = AuthServiceError::tokenExchangeFailedCode;
        QTest::newRow("401") << FakeResponse::json(401, R"({"error":"invalid_grant"})")
                             << AuthServiceError::domain << exchangeFailed;
        QTest::newRow("HTML 502") << FakeResponse::text(502, "<html>bad gateway</html>",
                                                        "text/html")
                                  << AuthServiceError::domain << exchangeFailed;
        QTest::newRow("200 not JSON") << FakeResponse::text(200, "ok") << DecodingError::domain
                                      << int(DecodingError::dataCorruptedCode);
        QTest::newRow("200 expiry as string")
            << FakeResponse::json(200,
                                  R"({"access_token":"a","refresh_token":"r","expires_in":"60"})")
            << DecodingError::domain << int(DecodingError::typeMismatchCode);
    }
    void failedRefreshKeepsSessionAndItem()
    {
        QFETCH(FakeResponse, answer);
        QFETCH(QString, errorDomain);
        QFETCH(int, errorCode);
        AuthFixture f;
        const StoredAuthSession old = f.storeSessionExpiringIn(30);
        const QByteArray item = f.storedItem().value();
        f.backend.on("POST", tokenPath, answer);
        f.start();

        const AppError error = thrownBy(f.service->authorizationHeader(f.model));
        QVERIFY2(error.is(errorDomain, errorCode), qPrintable(error.description()));
        QCOMPARE(f.service->currentSession(), std::optional(old));
        QCOMPARE(f.storedItem(), std::optional(item));
        QVERIFY(!f.canAuthorize());
        QCOMPARE(f.state(), AuthState::signedIn(QStringLiteral("old@example.test")));
    }

    void unreachableSupabaseReadsAsNetworkTrouble()
    {
        AuthFixture f;
        f.storeSessionExpiringIn(0);
        f.start();
        f.backend.stop();
        const AppError error = thrownBy(f.service->validAccessToken(f.model));
        QVERIFY2(error.description().contains("network"), qPrintable(error.description()));
        QVERIFY(f.service->currentSession());
    }

    void emptySupabaseConfigMattersOnlyForARefresh()
    {
        AuthFixture f(QStringLiteral("/"), QString());
        f.storeSessionExpiringIn(600);
        f.start();
        QCOMPARE(f.header(), QStringLiteral("Bearer old-access"));
        f.clock->advance(600);
        const AppError error = thrownBy(f.service->authorizationHeader(f.model));
        QVERIFY(error.is(AuthServiceError::missingSupabaseConfig()));
        QCOMPARE(error.description(), QStringLiteral("Supabase URL and anon key are required."));
        QVERIFY(f.backend.requests().isEmpty());
    }

    void keychainFailureAfterRefreshKeepsTheNewSessionInMemory()
    {
        AuthFixture f;
        f.storeSessionExpiringIn(0);
        f.backend.on("POST", tokenPath, FakeResponse::json(200, tokenAnswer("a2", "r2", 3600)));
        f.start();
        f.keychain->saveError = KeychainError::unavailable("no bus");
        const AppError error = thrownBy(f.service->validAccessToken(f.model));
        QVERIFY(error.is(KeychainError::domain, KeychainError::unavailableCode));
        QVERIFY(error.description().contains("system keyring is unavailable"));
        QCOMPARE(f.service->currentSession()->accessToken, QStringLiteral("a2"));
        QCOMPARE(f.header(), QStringLiteral("Bearer a2"));
    }

    // A keyring that cannot be read is not an empty one: the service keeps why, for the CLI
    // and the app to name it instead of asking for a sign-in that could not be kept.
    void anUnreadableKeyringIsToldApartFromNoSession()
    {
        AuthFixture f;
        f.keychain->readError = KeychainError::unreadable("no bus");
        AuthService& service = f.start();
        QTRY_VERIFY(service.isLoaded());
        QVERIFY(!service.currentSession());
        QVERIFY(service.keyringFailure());
        QVERIFY(service.keyringFailure()->is(KeychainError::domain, KeychainError::unreadableCode));

        AuthFixture empty;
        AuthService& emptyService = empty.start();
        QTRY_VERIFY(emptyService.isLoaded());
        QVERIFY(!emptyService.keyringFailure());
    }

    // The session is forgotten at once; a keyring that keeps it is reported, not hidden.
    void aSignOutTheKeyringRefusesIsReportedAndStillForgetsTheSession()
    {
        AuthFixture f;
        f.storeSessionExpiringIn(3600);
        AuthService& service = f.start();
        QTRY_VERIFY(service.currentSession());
        f.backend.on("POST", QStringLiteral("/auth/v1/logout"), FakeResponse::json(204, ""));
        f.keychain->removeError = KeychainError::notRemoved("locked");
        const AppError error = thrownBy(service.signOut(f.model));
        QVERIFY(error.is(KeychainError::domain, KeychainError::notRemovedCode));
        QVERIFY(!service.currentSession());
        QVERIFY(f.storedItem()); // still there: hence the report
        // Ended on the server all the same, so the copy left in the keyring is useless.
        QCOMPARE(f.request().path, QStringLiteral("/auth/v1/logout"));
    }

    void signOutDuringARefreshStaysSignedOut()
    {
        AuthFixture f;
        f.storeSessionExpiringIn(0);
        f.backend.on("POST", tokenPath,
                     FakeResponse::json(200, tokenAnswer("late", "late-r", 3600))
                         .withDelay(std::chrono::milliseconds(300)));
        f.keychain->latency = std::chrono::milliseconds(20);
        AuthService& service = f.start();

        QCoro::Task<QString> header = service.authorizationHeader(f.model);
        QTRY_COMPARE(f.backend.requests().size(), 1);
        runTask(service.signOut(f.model));
        QVERIFY(thrownBy(std::move(header)).is(AuthServiceError::notSignedIn()));
        QVERIFY(!service.currentSession());
        QVERIFY(!f.storedItem());
    }

    void startSendsItsFourMembersAndNothingElse()
    {
        AuthFixture f(QStringLiteral("/api"));
        f.backend.on("POST", "/api" + startPath,
                     startAnswer("https:\\/\\/login.example.test\\/p?x=1"));
        AuthService& service = f.start();
        const QString nonce = AuthService::randomDeviceNonce();
        const WebLoginStart start = runTask(service.startWebLogin(f.model, nonce));

        const nlohmann::json expected{{"client", "macos-velto"},
                                      {"client_version", "9.8.7"},
                                      {"device_nonce", nonce.toStdString()},
                                      {"provider", "email"}};
        QCOMPARE(described(f.request()),
                 "POST /api" + startPath + " " + jsonHeaders + jsonText(expected));
        QCOMPARE(start, (WebLoginStart{"h-1", nonce, QUrl("https://login.example.test/p?x=1"), 2000,
                                       f.clock->now() + 600, std::nullopt}));
    }

    void pollSendsExactlyTwoQueryItems()
    {
        AuthFixture f;
        f.backend.on("GET", pollPath, FakeResponse::json(200, R"({"status":"pending"})"));
        const QString handoff = QStringLiteral("h+1 &=%/é");
        runTask(f.start().pollWebLogin(f.model, handoff, "nonce_-1"));

        QCOMPARE(described(f.request()),
                 "GET " + pollPath + " [handoff_id=" + handoff + "] [device_nonce=nonce_-1]");
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

        const nlohmann::json expectedBody{
            {"handoff_id", "h-1"}, {"device_nonce", "n-1"}, {"exchange_code", "c-1"}};
        QCOMPARE(described(f.request()),
                 "POST " + exchangePath + " " + jsonHeaders + jsonText(expectedBody));

        const StoredAuthSession expected{"at", "rt", f.clock->now() + 3600, "u-7",
                                         "me@example.test"};
        QCOMPARE(service.currentSession(), std::optional(expected));
        QCOMPARE(StoredAuthSession::decode(f.storedItem().value()), expected);
        QCOMPARE(f.state(), AuthState::signedIn(QStringLiteral("me@example.test")));
    }

    void exchangeWithZeroLifetimeRefreshesAtFirstUse()
    {
        AuthFixture f;
        f.backend.on("POST", exchangePath,
                     FakeResponse::json(200, R"({"access_token":"at","refresh_token":"rt",)"
                                             R"("expires_in":0,"user":{"id":"u"}})"));
        f.backend.on("POST", tokenPath,
                     FakeResponse::json(200, R"({"access_token":"fresh","refresh_token":"r2",)"
                                             R"("expires_in":3600})"));
        AuthService& service = f.start();
        runTask(service.exchangeWebLogin(f.model, "h", "n", "c"));
        QCOMPARE(service.currentSession()->email, std::nullopt);
        QCOMPARE(f.header(), QStringLiteral("Bearer fresh"));
    }

    // What each handoff call makes of the server's answer: exchange failures leave no session.
    // Other shapes of error body are the interpreter's own test; these are the calls' own.
    void answersAreExplained_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(answers)); ++i)
            QTest::newRow(answers[i].name) << i;
    }
    void answersAreExplained()
    {
        QFETCH(int, row);
        const Answer& r = answers[row];
        const QString call = r.call;
        AuthFixture f;
        f.backend.on(call == "poll" ? "GET" : "POST", "/auth/handoff/" + call, r.answer);
        AuthService& service = f.start();
        QString actual = QStringLiteral("done");
        try {
            if (call == "start") {
                const WebLoginStart start = runTask(service.startWebLogin(f.model, "n"));
                actual = QStringLiteral("started, polls every %1 ms for %2 s")
                             .arg(start.pollIntervalMs)
                             .arg(start.expiresAt - f.clock->now());
                if (start.userCode)
                    actual += ", code " + *start.userCode;
            } else if (call == "exchange") {
                runTask(service.exchangeWebLogin(f.model, "h", "n", "c"));
            } else {
                const WebLoginPollState state = runTask(service.pollWebLogin(f.model, "h", "n"));
                using Kind = WebLoginPollState::Kind;
                actual = state.kind() == Kind::pending ? QStringLiteral("pending")
                         : state.kind() == Kind::ready ? "ready " + state.exchangeCode()
                                                       : "failed " + state.reason();
            }
        } catch (const AppError& error) {
            actual = error.description();
        }
        QCOMPARE(actual, r.outcome);
        QCOMPARE(service.currentSession(), std::nullopt);
        QCOMPARE(f.storedItem(), std::nullopt);
    }

    void cancelIsSentAndNeverFails()
    {
        AuthFixture f;
        f.storeSessionExpiringIn(3600);
        f.backend.on("POST", cancelPath, FakeResponse::json(500, "boom"));
        AuthService& service = f.start();
        runTask(service.cancelWebLogin(f.model, "h-2", "n-2"));
        const nlohmann::json expectedBody{{"handoff_id", "h-2"}, {"device_nonce", "n-2"}};
        QCOMPARE(described(f.request()),
                 "POST " + cancelPath + " " + jsonHeaders + jsonText(expectedBody));
        QVERIFY(service.currentSession());

        f.backend.stop();
        runTask(service.cancelWebLogin(f.model, "h-2", "n-2"));
        QVERIFY(service.currentSession());
    }

    // The real store with no session bus at all: every call says the keyring is missing (not
    // "no session"), and nothing is written anywhere.
    void keyringStoreWithoutABusSaysSoAndSavesNothing()
    {
        if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("needs an environment without a session bus (scripts/with-env unit)");
        SecretServiceKeychainStore store(std::chrono::seconds(20));
        const AppError readError =
            thrownBy(store.read(AuthService::keychainService, AuthService::keychainAccount));
        QVERIFY(readError.is(KeychainError::domain, KeychainError::unreadableCode));
        const AppError error =
            thrownBy(store.save(AuthService::keychainService, AuthService::keychainAccount, "{}"));
        QCOMPARE(error.domain(), KeychainError::domain);
        QVERIFY2(error.description().contains("the system keyring is unavailable"),
                 qPrintable(error.description()));
        const AppError removeError =
            thrownBy(store.remove(AuthService::keychainService, AuthService::keychainAccount));
        QVERIFY(removeError.is(KeychainError::domain, KeychainError::notRemovedCode));

        // No plain-file fallback: nothing appeared under the scratch home.
        const QString home = qEnvironmentVariable("HOME");
        QVERIFY(!home.isEmpty());
        QDir dir(home);
        QVERIFY(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    }
};

VELTO_REGISTER_TEST(AuthServiceTest);
#include "AuthServiceTest.moc"
