#include "AuthFixture.h"
#include "auth/AuthServiceError.h"
#include "auth/DecodingError.h"
#include "auth/KeychainError.h"
#include "support/TestRegistry.h"

#include <QTest>
#include <nlohmann/json.hpp>

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

StoredAuthSession sessionExpiringIn(const AuthFixture& f, double seconds)
{
    return StoredAuthSession{"old-access", "old-refresh", f.clock->now() + seconds, "u-1",
                             "old@example.test"};
}

} // namespace

class AuthServiceSessionTest : public QObject
{
    Q_OBJECT

private slots:
    void storedSessionSignsInAtStart()
    {
        AuthFixture f;
        f.storeSession({"a", "r", 0, std::nullopt, "me@example.test"});
        AuthService& service = f.start();
        QCOMPARE(runTask(service.syncAuthState(f.model)),
                 AuthState::signedIn(QStringLiteral("me@example.test")));

        AuthFixture withoutEmail;
        withoutEmail.storeSession({"a", "r", 0, "u", std::nullopt});
        QCOMPARE(runTask(withoutEmail.start().syncAuthState(withoutEmail.model)),
                 AuthState::signedIn(std::nullopt));
    }

    void noItemMeansSignedOut()
    {
        AuthFixture f;
        AuthService& service = f.start();
        QCOMPARE(runTask(service.syncAuthState(f.model)), AuthState::signedOut());
        QVERIFY(!runTask(service.canAuthorize(f.model)));
        QVERIFY(thrownBy(service.authorizationHeader(f.model)).is(AuthServiceError::notSignedIn()));
        QVERIFY(f.backend.requests().isEmpty());
    }

    void unreadableItemIsDeletedAtStart_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("not JSON") << QByteArray("\x00\x01garbage", 9);
        QTest::newRow("empty access token")
            << QByteArray(R"({"accessToken":"","refreshToken":"r"})");
        QTest::newRow("no refresh token") << QByteArray(R"({"access_token":"a","expires_at":1})");
        QTest::newRow("array") << QByteArray("[]");
    }
    void unreadableItemIsDeletedAtStart()
    {
        QFETCH(QByteArray, data);
        AuthFixture f;
        f.keychain->items.insert({AuthService::keychainService, AuthService::keychainAccount},
                                 data);
        AuthService& service = f.start();
        QVERIFY(!f.storedItem());
        QCOMPARE(f.keychain->calls, (QStringList{"read", "remove"}));
        QCOMPARE(runTask(service.syncAuthState(f.model)), AuthState::signedOut());
    }

    void refreshesWhenExpiryIsWithinSixtySeconds()
    {
        AuthFixture f;
        f.storeSession(sessionExpiringIn(f, 61));
        f.backend.on("POST", tokenPath,
                     FakeResponse::json(200, tokenAnswer("new-a", "new-r", 3600)));
        AuthService& service = f.start();
        QCOMPARE(runTask(service.authorizationHeader(f.model)),
                 QStringLiteral("Bearer old-access"));
        QVERIFY(f.backend.requests().isEmpty());

        f.clock->advance(1); // now exactly 60 s before expiry
        QCOMPARE(runTask(service.authorizationHeader(f.model)), QStringLiteral("Bearer new-a"));
        QCOMPARE(f.backend.requests().size(), 1);
    }

    void aValidTokenServesEveryCallerWithoutARefresh()
    {
        AuthFixture f;
        f.storeSession(sessionExpiringIn(f, 3600));
        AuthService& service = f.start();
        // The rewrite asks three times in a row: can it authorize, then the header, then again.
        QVERIFY(runTask(service.canAuthorize(f.model)));
        QCOMPARE(runTask(service.authorizationHeader(f.model)),
                 QStringLiteral("Bearer old-access"));
        QCOMPARE(runTask(service.validAccessToken(f.model)), QStringLiteral("old-access"));
        QCOMPARE(runTask(service.authorizationHeader(f.model)),
                 QStringLiteral("Bearer old-access"));
        QVERIFY(f.backend.requests().isEmpty());
    }

    void aTokenAskedForWhileTheSessionLoadsStaysInTheSession()
    {
        AuthFixture f;
        f.keychain->latency = std::chrono::milliseconds(20);
        f.storeSession(sessionExpiringIn(f, 3600));
        f.service = std::make_unique<AuthService>(f.keychain, f.http, f.clock);
        // The first caller waits for the keyring; handing it the token must not use it up.
        QCOMPARE(runTask(f.service->authorizationHeader(f.model)),
                 QStringLiteral("Bearer old-access"));
        QCOMPARE(runTask(f.service->authorizationHeader(f.model)),
                 QStringLiteral("Bearer old-access"));
        QCOMPARE(f.service->currentSession()->accessToken, QStringLiteral("old-access"));
    }

    void refreshSendsTheSupabaseRequestAndStoresTheAnswer()
    {
        AuthFixture f;
        f.storeSession(sessionExpiringIn(f, 10));
        f.backend.on(
            "POST", tokenPath,
            FakeResponse::json(200, tokenAnswer("new-a", "new-r", 3600,
                                                R"({"id":"u-2","email":"new@example.test"})")));
        AuthService& service = f.start();
        QCOMPARE(runTask(service.validAccessToken(f.model)), QStringLiteral("new-a"));

        const RecordedRequest request = f.backend.requests().value(0);
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, tokenPath);
        QCOMPARE(request.query, (QList<QPair<QString, QString>>{{"grant_type", "refresh_token"}}));
        QCOMPARE(request.header("content-type"), QByteArray("application/json"));
        QCOMPARE(request.header("apikey"), QByteArray("anon-key"));
        QVERIFY(!request.header("authorization"));
        const nlohmann::json expectedBody{{"refresh_token", "old-refresh"}};
        QVERIFY2(nlohmann::json::parse(request.body.toStdString(), nullptr, false) == expectedBody,
                 request.body.constData());

        const StoredAuthSession expected{"new-a", "new-r", f.clock->now() + 3600, "u-2",
                                         "new@example.test"};
        QCOMPARE(service.currentSession(), std::optional(expected));
        QCOMPARE(StoredAuthSession::decode(f.storedItem().value()), expected);
    }

    void refreshWithoutUserDropsTheOldIdentity()
    {
        AuthFixture f;
        f.storeSession(sessionExpiringIn(f, -5));
        f.backend.on("POST", tokenPath, FakeResponse::json(200, tokenAnswer("a2", "r2", 60)));
        AuthService& service = f.start();
        QVERIFY(runTask(service.canAuthorize(f.model)));
        QCOMPARE(service.currentSession()->email, std::nullopt);
        QCOMPARE(service.currentSession()->userID, std::nullopt);
        QCOMPARE(runTask(service.syncAuthState(f.model)), AuthState::signedIn(std::nullopt));
    }

    void failedRefreshKeepsSessionAndItem_data()
    {
        QTest::addColumn<FakeResponse>("answer");
        QTest::addColumn<QString>("errorDomain");
        QTest::addColumn<int>("errorCode");
        QTest::newRow("401") << FakeResponse::json(401, R"({"error":"invalid_grant"})")
                             << AuthServiceError::domain
                             << int(AuthServiceError::tokenExchangeFailedCode);
        QTest::newRow("HTML 502") << FakeResponse::text(502, "<html>bad gateway</html>",
                                                        "text/html")
                                  << AuthServiceError::domain
                                  << int(AuthServiceError::tokenExchangeFailedCode);
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
        const StoredAuthSession old = sessionExpiringIn(f, 30);
        f.storeSession(old);
        const QByteArray item = f.storedItem().value();
        f.backend.on("POST", tokenPath, answer);
        AuthService& service = f.start();

        const AppError error = thrownBy(service.authorizationHeader(f.model));
        QVERIFY2(error.is(errorDomain, errorCode), qPrintable(error.description()));
        QCOMPARE(service.currentSession(), std::optional(old));
        QCOMPARE(f.storedItem(), std::optional(item));
        QVERIFY(!runTask(service.canAuthorize(f.model)));
        QCOMPARE(runTask(service.syncAuthState(f.model)),
                 AuthState::signedIn(QStringLiteral("old@example.test")));
    }

    void unreachableSupabaseReadsAsNetworkTrouble()
    {
        AuthFixture f;
        f.storeSession(sessionExpiringIn(f, 0));
        AuthService& service = f.start();
        f.backend.stop();
        const AppError error = thrownBy(service.validAccessToken(f.model));
        QVERIFY2(error.description().contains("network"), qPrintable(error.description()));
        QVERIFY(service.currentSession());
    }

    void emptySupabaseConfigMattersOnlyForARefresh()
    {
        AuthFixture f(QStringLiteral("/"), QString());
        f.storeSession(sessionExpiringIn(f, 600));
        AuthService& service = f.start();
        QCOMPARE(runTask(service.authorizationHeader(f.model)),
                 QStringLiteral("Bearer old-access"));
        f.clock->advance(600);
        QVERIFY(thrownBy(service.authorizationHeader(f.model))
                    .is(AuthServiceError::missingSupabaseConfig()));
        QVERIFY(f.backend.requests().isEmpty());
    }

    void keychainFailureAfterRefreshKeepsTheNewSessionInMemory()
    {
        AuthFixture f;
        f.storeSession(sessionExpiringIn(f, 0));
        f.backend.on("POST", tokenPath, FakeResponse::json(200, tokenAnswer("a2", "r2", 3600)));
        AuthService& service = f.start();
        f.keychain->saveError = KeychainError::unavailable("no bus");
        const AppError error = thrownBy(service.validAccessToken(f.model));
        QVERIFY(error.is(KeychainError::domain, KeychainError::unavailableCode));
        QVERIFY(error.description().contains("system keyring is unavailable"));
        QCOMPARE(service.currentSession()->accessToken, QStringLiteral("a2"));
        QCOMPARE(runTask(service.authorizationHeader(f.model)), QStringLiteral("Bearer a2"));
    }

    void signOutForgetsSessionAndItem()
    {
        AuthFixture f;
        f.storeSession(sessionExpiringIn(f, 3600));
        AuthService& service = f.start();
        runTask(service.signOut());
        QVERIFY(!f.storedItem());
        QVERIFY(!runTask(service.canAuthorize(f.model)));
        QVERIFY(thrownBy(service.authorizationHeader(f.model)).is(AuthServiceError::notSignedIn()));
        QCOMPARE(runTask(service.syncAuthState(f.model)), AuthState::signedOut());
        QVERIFY(f.backend.requests().isEmpty());
    }

    void signOutDuringARefreshStaysSignedOut()
    {
        AuthFixture f;
        f.storeSession(sessionExpiringIn(f, 0));
        f.backend.on("POST", tokenPath,
                     FakeResponse::json(200, tokenAnswer("late", "late-r", 3600))
                         .withDelay(std::chrono::milliseconds(300)));
        f.keychain->latency = std::chrono::milliseconds(20);
        AuthService& service = f.start();

        QCoro::Task<QString> header = service.authorizationHeader(f.model);
        QTRY_COMPARE(f.backend.requests().size(), 1);
        runTask(service.signOut());
        QVERIFY(thrownBy(std::move(header)).is(AuthServiceError::notSignedIn()));
        QVERIFY(!service.currentSession());
        QVERIFY(!f.storedItem());
    }

    void operationsWaitForTheStoredSession()
    {
        AuthFixture f;
        f.keychain->latency = std::chrono::milliseconds(50);
        f.storeSession(sessionExpiringIn(f, 3600));
        AuthService service(f.keychain, f.http, f.clock);
        QVERIFY(!service.isLoaded());
        QCOMPARE(runTask(service.authorizationHeader(f.model)),
                 QStringLiteral("Bearer old-access"));
    }
};

VELTO_REGISTER_TEST(AuthServiceSessionTest);
#include "AuthServiceSessionTest.moc"
