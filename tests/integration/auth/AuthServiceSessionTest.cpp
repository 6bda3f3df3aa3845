#include "AuthFixture.h"
#include "auth/AuthServiceError.h"
#include "auth/DecodingError.h"
#include "auth/KeychainError.h"
#include "support/TestRegistry.h"

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

} // namespace

class AuthServiceSessionTest : public QObject
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
            runTask(f.service->signOut());
        QCOMPARE(f.storedItem(), std::nullopt);
        QCOMPARE(f.keychain->calls, calls);
        QCOMPARE(f.state(), AuthState::signedOut());
        QVERIFY(!f.canAuthorize());
        QVERIFY(
            thrownBy(f.service->authorizationHeader(f.model)).is(AuthServiceError::notSignedIn()));
        QVERIFY(f.backend.requests().isEmpty());
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
        runTask(service.signOut());
        QVERIFY(thrownBy(std::move(header)).is(AuthServiceError::notSignedIn()));
        QVERIFY(!service.currentSession());
        QVERIFY(!f.storedItem());
    }
};

VELTO_REGISTER_TEST(AuthServiceSessionTest);
#include "AuthServiceSessionTest.moc"
