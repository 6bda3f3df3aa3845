// The refresh endpoint over HTTP: rotation, a spent refresh token, every refusal (none of
// which spends the token), the configured anon key; and the access token's lifetime.

#include "HttpSuite.h"

using namespace velto::server;
using namespace velto::server::testing;

class TokenRoutesTest : public QObject
{
    Q_OBJECT

private slots:
    void refreshRotatesTheTokensAndRefusesAUsedRefreshToken()
    {
        ServerFixture s;
        Session session = s.signIn();
        auto res = s.refresh(session.refreshToken);
        QCOMPARE(res->status, 200);
        json fresh = json::parse(res->body);
        QVERIFY(fresh["access_token"].is_string() && fresh["refresh_token"].is_string());
        QVERIFY(fresh["expires_in"].is_number_integer());
        QCOMPARE(q(fresh["user"]["email"]), q(session.answer["user"]["email"]));
        QCOMPARE(fresh["user"]["id"], session.answer["user"]["id"]);
        QVERIFY(fresh["refresh_token"] != session.refreshToken);
        QCOMPARE(s.client().Get("/config", ServerFixture::bearer(fresh["access_token"]))->status,
                 200);
        verifyError(s.refresh(session.refreshToken), 400, "invalid_grant");
        QCOMPARE(s.refresh(fresh["refresh_token"])->status, 200);
    }

    // $R stands for the session's refresh token.
    void refusalsLeaveTheTokenUnspent_data()
    {
        QTest::addColumn<QString>("anonKey"); // the server's; empty: the default
        QTest::addColumn<QString>("apikey");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        const char* key = "local-dev-anon-key";
        const char* grant = "?grant_type=refresh_token";
        const char* body = "{\"refresh_token\":\"$R\"}";
        row("no api key", "", "", grant, body, 401, "missing_api_key");
        row("wrong api key", "", "wrong", grant, body, 401, "invalid_api_key");
        row("default key where another is set", "k2", key, grant, body, 401, "invalid_api_key");
        row("password grant", "", key, "?grant_type=password", body, 400, "unsupported_grant_type");
        row("no grant", "", key, "", body, 400, "unsupported_grant_type");
        row("not json", "", key, grant, "nope", 400, "invalid_json");
        row("token a number", "", key, grant, "{\"refresh_token\":12}", 400, "invalid_request");
        row("token missing", "", key, grant, "{}", 400, "invalid_request");
        row("token empty", "", key, grant, "{\"refresh_token\":\"\"}", 400, "invalid_request");
        row("unknown token", "", key, grant, "{\"refresh_token\":\"unknown\"}", 400,
            "invalid_grant");
    }

    void refusalsLeaveTheTokenUnspent()
    {
        QFETCH(QString, anonKey);
        QFETCH(QString, apikey);
        QFETCH(QString, query);
        QFETCH(QString, body);
        QFETCH(int, status);
        QFETCH(QString, code);
        ServerFixture s([&](ServerOptions& o) {
            o.anonKey = anonKey.isEmpty() ? o.anonKey : anonKey.toStdString();
        });
        Session session = s.signIn();
        httplib::Headers headers;
        if (!apikey.isEmpty()) {
            headers.emplace("apikey", apikey.toStdString());
        }
        verifyError(s.send("POST", "/auth/v1/token" + query.toStdString(),
                           body.replace("$R", q(session.refreshToken)).toStdString(), headers),
                    status, code.toStdString());
        httplib::Headers rightKey = {
            {"apikey", anonKey.isEmpty() ? "local-dev-anon-key" : anonKey.toStdString()}};
        QCOMPARE(
            s.postJson(kRefreshPath, {{"refresh_token", session.refreshToken}}, rightKey)->status,
            200);
    }

    void expiredAccessTokenIsRefused()
    {
        ServerFixture s([](ServerOptions& o) { o.accessTokenLifetime = 60; });
        Session session = s.signIn();
        QCOMPARE(session.answer["expires_in"].get<int>(), 60);
        s.advance(59);
        QCOMPARE(s.client().Get("/config", ServerFixture::bearer(session.accessToken))->status,
                 200);
        s.advance(1);
        verifyError(s.client().Get("/config", ServerFixture::bearer(session.accessToken)), 401,
                    "unauthorized");
    }
};

VELTO_HTTP_SUITE(TokenRoutesTest)
#include "TokenRoutesTest.moc"
