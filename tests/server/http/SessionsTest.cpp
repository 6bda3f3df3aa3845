// Sessions after the sign-in, over HTTP: a refresh token's family and its revocation on reuse,
// the refresh token's lifetime, the Supabase logout (each scope) and user calls, and a new
// password ending the user's sessions.

#include "AccountStore.h"
#include "Crypto.h"
#include "support/ServerFixture.h"
#include "support/TestRegistry.h"

#include <sqlite3.h>

using namespace velto::server;
using namespace velto::server::testing;

namespace {

Session rotated(const ServerFixture& s, const Session& from)
{
    auto res = s.refresh(from.refreshToken);
    if (!res || res->status != 200) {
        throw std::runtime_error("refresh failed");
    }
    json answer = json::parse(res->body);
    return {answer["access_token"], answer["refresh_token"], answer};
}

httplib::Result logout(const ServerFixture& s, const std::string& accessToken,
                       const std::string& query = {})
{
    httplib::Headers headers = ServerFixture::bearer(accessToken);
    headers.emplace("apikey", "local-dev-anon-key");
    return s.client().Post(("/auth/v1/logout" + query).c_str(), headers, "", "application/json");
}

} // namespace

class SessionsTest : public QObject
{
    Q_OBJECT

private slots:
    // The thief rotates first; the victim's reuse then ends the family, so the thief's tokens
    // stop working too. Another sign-in of the same user is a family of its own and lives on.
    void aReusedRefreshTokenRevokesItsFamily()
    {
        ServerFixture s;
        Session victim = s.signIn(nonce('V'));
        Session bystander = s.signIn(nonce('W'));
        Session thief = rotated(s, victim);
        Session thiefLater = rotated(s, thief);

        verifyError(s.refresh(victim.refreshToken), 400, "invalid_grant");
        verifyError(s.refresh(thiefLater.refreshToken), 400, "invalid_grant");
        verifyError(s.config(thiefLater.accessToken), 401, "unauthorized");
        verifyError(s.config(thief.accessToken), 401, "unauthorized");
        QCOMPARE(s.config(bystander.accessToken)->status, 200);
        QCOMPARE(rotated(s, bystander).answer["user"], bystander.answer["user"]);
    }

    void aRefreshTokenExpires()
    {
        ServerFixture s([](ServerOptions& o) { o.refreshTokenLifetime = 600; });
        Session session = s.signIn();
        s.advance(599);
        Session next = rotated(s, session);
        // Each rotation starts the new token's own lifetime.
        s.advance(599);
        Session last = rotated(s, next);
        s.advance(600);
        verifyError(s.refresh(last.refreshToken), 400, "invalid_grant");
    }

    // Supabase's own client calls these two: who am I, and sign out.
    void theUserCallAnswersForTheAccessToken()
    {
        ServerFixture s;
        Session session = s.signIn();
        httplib::Headers headers = ServerFixture::bearer(session.accessToken);
        headers.emplace("apikey", "local-dev-anon-key");
        auto res = s.client().Get("/auth/v1/user", headers);
        QCOMPARE(res->status, 200);
        json user = json::parse(res->body);
        QCOMPARE(user["id"], session.answer["user"]["id"]);
        QCOMPARE(q(user["email"]), QString("tester@localhost"));
        QCOMPARE(q(user["aud"]), QString("authenticated"));
        verifyError(s.client().Get("/auth/v1/user", ServerFixture::bearer(session.accessToken)),
                    401, "missing_api_key");
        verifyError(s.client().Get("/auth/v1/user", kApiKey), 401, "unauthorized");
    }

    // Which sessions a logout ends; the others keep working.
    void logoutEndsTheSessionsOfItsScope_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("ownEnds");
        QTest::addColumn<bool>("otherEnds");
        row("no scope: this session", "", true, false);
        row("local", "?scope=local", true, false);
        row("global", "?scope=global", true, true);
        row("others", "?scope=others", false, true);
    }

    void logoutEndsTheSessionsOfItsScope()
    {
        QFETCH(QString, query);
        QFETCH(bool, ownEnds);
        QFETCH(bool, otherEnds);
        ServerFixture s;
        Session own = rotated(s, s.signIn(nonce('O')));
        Session other = s.signIn(nonce('P'));
        QCOMPARE(logout(s, own.accessToken, query.toStdString())->status, 204);
        auto verifySession = [&](const Session& session, bool ended) {
            if (ended) {
                verifyError(s.config(session.accessToken), 401, "unauthorized");
                verifyError(s.refresh(session.refreshToken), 400, "invalid_grant");
            } else {
                QCOMPARE(s.config(session.accessToken)->status, 200);
                QCOMPARE(s.refresh(session.refreshToken)->status, 200);
            }
        };
        verifySession(own, ownEnds);
        verifySession(other, otherEnds);
    }

    void logoutRefusals()
    {
        ServerFixture s;
        Session session = s.signIn();
        verifyError(logout(s, "not-a-token"), 401, "unauthorized");
        verifyError(logout(s, session.accessToken, "?scope=everyone"), 400, "invalid_request");
        verifyError(s.client().Post("/auth/v1/logout", ServerFixture::bearer(session.accessToken),
                                    "", "application/json"),
                    401, "missing_api_key");
        verifyError(s.client().Post("/auth/v1/logout", kApiKey, "", "application/json"), 401,
                    "unauthorized");
        // None of them ended anything.
        QCOMPARE(s.refresh(session.refreshToken)->status, 200);
        QCOMPARE(logout(s, session.accessToken)->status, 204);
        verifyError(logout(s, session.accessToken), 401, "unauthorized");
    }

    // A store from before refresh-token families: its sessions keep working after the upgrade,
    // each as a family of its own, and now expire.
    void sessionsFromBeforeFamiliesSurviveTheUpgrade()
    {
        if (ServerFixture::onPostgres()) {
            QSKIP("the old schema is written for SQLite here");
        }
        QTemporaryDir dir;
        const std::string path = dir.path().toStdString() + "/old.sqlite3";
        sqlite3* old = nullptr;
        QCOMPARE(sqlite3_open(path.c_str(), &old), SQLITE_OK);
        const std::string refresh = "old-refresh-token", access = "old-access-token";
        const std::string schema =
            "CREATE TABLE users (id TEXT PRIMARY KEY, email TEXT NOT NULL UNIQUE COLLATE NOCASE, "
            "password_hash TEXT, created_at INTEGER NOT NULL);"
            "CREATE TABLE access_tokens (token_hash TEXT PRIMARY KEY, user_id TEXT NOT NULL, "
            "expires_at INTEGER NOT NULL);"
            "CREATE TABLE refresh_tokens (token_hash TEXT PRIMARY KEY, user_id TEXT NOT NULL, "
            "created_at INTEGER NOT NULL, used_at INTEGER);"
            "CREATE TABLE handoffs (id TEXT PRIMARY KEY, device_nonce TEXT NOT NULL, client TEXT "
            "NOT NULL, client_version TEXT NOT NULL, provider TEXT NOT NULL, status TEXT NOT NULL, "
            "reason TEXT, user_id TEXT, exchange_code_hash TEXT, exchange_code TEXT, created_at "
            "INTEGER NOT NULL, expires_at INTEGER NOT NULL);"
            "CREATE INDEX users_email_lower ON users(lower(email));"
            "INSERT INTO users VALUES ('u1', 'tester@localhost', NULL, 0);"
            "INSERT INTO access_tokens VALUES ('" +
            crypto::sha256Hex(access) + "', 'u1', " + std::to_string(systemClock()() + 3600) +
            ");INSERT INTO refresh_tokens VALUES ('" + crypto::sha256Hex(refresh) + "', 'u1', " +
            std::to_string(systemClock()()) + ", NULL);PRAGMA user_version = 2;";
        QCOMPARE(sqlite3_exec(old, schema.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(old);

        ServerFixture s({}, nullptr, "sqlite:" + path);
        QCOMPARE(s.config(access)->status, 200);
        QCOMPARE(logout(s, access)->status, 204);
        Session next = rotated(s, Session{access, refresh, {}});
        QCOMPARE(s.config(next.accessToken)->status, 200);
        verifyError(s.refresh(refresh), 400, "invalid_grant");
        verifyError(s.refresh(next.refreshToken), 400, "invalid_grant");
    }

    // A new password (adduser again) ends every session of that user, and only of that user.
    void aNewPasswordEndsTheUsersSessions()
    {
        QTemporaryDir dir;
        std::string database = ServerFixture::newDatabase(dir);
        auto db = Database::open(database, {}, 1);
        AccountStore accounts(*db, systemClock());
        accounts.addUser("ada@example.com", "correct horse");
        accounts.addUser("bob@example.com", "battery staple");
        ServerFixture s([](ServerOptions& o) { o.signin = "password"; }, nullptr, database);
        auto signInAs = [&](const std::string& form, char fill) {
            std::string id = s.start(nonce(fill))["handoff_id"];
            auto res = s.submitForm("handoff_id=" + id + "&action=continue&" + form);
            if (!res || res->status != 200) {
                throw std::runtime_error("sign-in failed");
            }
            json answer = json::parse(
                s.exchange(id, nonce(fill), s.poll(id, nonce(fill))["exchange_code"])->body);
            return Session{answer["access_token"], answer["refresh_token"], answer};
        };
        Session ada = signInAs("email=ada%40example.com&password=correct+horse", 'A');
        Session bob = signInAs("email=bob%40example.com&password=battery+staple", 'B');
        accounts.addUser("Ada@example.com", "new password");
        verifyError(s.config(ada.accessToken), 401, "unauthorized");
        verifyError(s.refresh(ada.refreshToken), 400, "invalid_grant");
        QCOMPARE(s.config(bob.accessToken)->status, 200);
        QCOMPARE(s.refresh(bob.refreshToken)->status, 200);
    }
};

VELTO_REGISTER_TEST(SessionsTest);
#include "SessionsTest.moc"
