// The sign-in endpoints over HTTP. The app's side of the hand-off: start, poll, exchange and
// cancel, every refusal, expiry, one exchange per handoff, the per-address rate limit. The
// browser's side: the page for a handoff, its form in local and password mode, the page for a
// handoff that can no longer sign in. The refresh endpoint: rotation, a spent refresh token,
// every refusal (none of which spends the token), the anon key; the access token's lifetime.

#include "AccountStore.h"
#include "support/ServerFixture.h"
#include "support/TestRegistry.h"

using namespace velto::server;
using namespace velto::server::testing;

const auto failed = [](const std::string& reason) {
    return json{{"status", "failed"}, {"reason", reason}};
};

class AuthRoutesTest : public QObject
{
    Q_OBJECT

private slots:
    // Start, polls while pending and ready (another nonce learns nothing), one exchange.
    void aHandoffFromStartToSession()
    {
        ServerFixture s;
        json started = s.start(nonce());
        std::string id = started["handoff_id"];
        QCOMPARE(started["expires_in_seconds"], json(600));
        QCOMPARE(started["poll_interval_ms"], json(1000));
        QCOMPARE(q(started["login_url"]), q(s.url() + "/signin?handoff_id=" + id));
        QCOMPARE(q(s.poll(id, nonce()).dump()), QString("{\"status\":\"pending\"}"));
        QCOMPARE(s.poll(id, nonce('B')), failed("unauthorized_handoff"));
        QCOMPARE(s.approve(id), 200);
        QCOMPARE(s.poll(id, nonce('B')), failed("unauthorized_handoff"));
        json polled = s.poll(id, nonce());
        QCOMPARE(q(polled["status"]), QString("ready"));
        QVERIFY(polled["exchange_code"].is_string() && polled["exchange_code"] != "");
        // Polling again before the exchange gives the same code.
        QCOMPARE(s.poll(id, nonce())["exchange_code"], polled["exchange_code"]);
        auto res = s.exchange(id, nonce(), polled["exchange_code"]);
        QCOMPARE(res->status, 200);
        json session = json::parse(res->body);
        QVERIFY(session["access_token"].is_string() && session["refresh_token"].is_string());
        QCOMPARE(session["access_token"].get<std::string>().size(), std::size_t(43));
        QCOMPARE(session["expires_in"], json(3600));
        QVERIFY(session["user"]["id"].is_string());
        QCOMPARE(q(session["user"]["email"]), QString("tester@localhost"));
        verifyError(s.exchange(id, nonce(), polled["exchange_code"]), 409, "already_used");
        QCOMPARE(s.poll(id, nonce()), failed("already_used"));
    }

    // "METHOD /path body" (single quotes for double) and "status code". $ID stands for a
    // pending handoff started with nonce() (43 "A"s), $N for that nonce, $B for nonce('B').
    void refusals_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("expected");
        const QString start = "POST /auth/handoff/start {'client':'x','device_nonce':";
        const QString a42 = "'" + QString(42, 'A');
        row("start: nonce missing", "POST /auth/handoff/start {'client':'x'}",
            "400 invalid_request");
        row("start: nonce a number", start + "7}", "400 invalid_request");
        row("start: 42 characters", start + a42 + "'}", "400 invalid_device_nonce");
        row("start: 44 characters", start + a42 + "AA'}", "400 invalid_device_nonce");
        row("start: standard base64", start + a42 + "+'}", "400 invalid_device_nonce");
        row("start: padded", start + a42 + "='}", "400 invalid_device_nonce");
        row("start: client a number", "POST /auth/handoff/start {'client':1,'device_nonce':'$N'}",
            "400 invalid_request");
        row("start: not json", "POST /auth/handoff/start {", "400 invalid_json");
        row("poll: unknown handoff", "GET /auth/handoff/poll?handoff_id=nope&device_nonce=$N",
            "404 invalid_or_expired_handoff");
        row("poll: no handoff id", "GET /auth/handoff/poll?device_nonce=$N", "400 invalid_request");
        row("poll: no nonce", "GET /auth/handoff/poll?handoff_id=$ID", "400 invalid_request");
        row("poll: short nonce", "GET /auth/handoff/poll?handoff_id=$ID&device_nonce=short",
            "400 invalid_device_nonce");
        row("poll: POST", "POST /auth/handoff/poll {}", "404 not_found");
        const QString exchange =
            "POST /auth/handoff/exchange {'handoff_id':'$ID','device_nonce':'$N'";
        row("exchange: not ready", exchange + ",'exchange_code':'c'}", "409 handoff_not_ready");
        row("exchange: unknown handoff",
            QString(exchange).replace("$ID", "x") + ",'exchange_code':'c'}",
            "404 invalid_or_expired_handoff");
        row("exchange: not an object", "POST /auth/handoff/exchange []", "400 invalid_json");
        row("exchange: code missing", exchange + "}", "400 invalid_request");
        row("exchange: code a number", exchange + ",'exchange_code':5}", "400 invalid_request");
        row("cancel: another nonce",
            "POST /auth/handoff/cancel {'handoff_id':'$ID','device_nonce':'$B'}",
            "403 unauthorized_handoff");
        row("cancel: unknown handoff",
            "POST /auth/handoff/cancel {'handoff_id':'x','device_nonce':'$N'}",
            "404 invalid_or_expired_handoff");
        row("cancel: nonce missing", "POST /auth/handoff/cancel {'handoff_id':'$ID'}",
            "400 invalid_request");
    }

    void refusals()
    {
        QFETCH(QString, request);
        QFETCH(QString, expected);
        ServerFixture s;
        std::string id = s.start(nonce())["handoff_id"];
        request.replace("$ID", q(id)).replace("$N", q(nonce())).replace("$B", q(nonce('B')));
        request.replace('\'', '"');
        verifyError(s.send(request.toStdString()), expected);
        // A refusal leaves the handoff as it was.
        QCOMPARE(s.poll(id, nonce()), json({{"status", "pending"}}));
    }

    // A wrong nonce or code, or the code of another handoff, spends nothing; a handoff whose
    // time is up, even a ready one, polls as expired and cannot be used.
    void exchangeChecksNonceCodeAndExpiry()
    {
        ServerFixture s([](ServerOptions& o) { o.handoffLifetime = 60; });
        std::string id = s.start(nonce())["handoff_id"], other = s.start(nonce('D'))["handoff_id"];
        s.approve(id);
        s.approve(other);
        std::string code = s.poll(id, nonce())["exchange_code"];
        std::string otherCode = s.poll(other, nonce('D'))["exchange_code"];
        verifyError(s.exchange(id, nonce('B'), code), 403, "unauthorized_handoff");
        verifyError(s.exchange(id, nonce(), code + "x"), 400, "invalid_exchange_code");
        verifyError(s.exchange(other, nonce('D'), code), 400, "invalid_exchange_code");
        QCOMPARE(s.exchange(id, nonce(), code)->status, 200);
        s.advance(60);
        QCOMPARE(s.poll(other, nonce('D')), failed("expired"));
        verifyError(s.exchange(other, nonce('D'), otherCode), 410, "expired");
    }

    void handoffCallsAreRateLimitedPerAddress()
    {
        ServerFixture s([](ServerOptions& o) { o.authRatePerMinute = 3; });
        std::string id = s.start(nonce())["handoff_id"];
        s.poll(id, nonce());
        s.poll(id, nonce());
        verifyError(s.pollResult(id, nonce()), 429, "rate_limited", true);
        verifyError(s.post("/auth/handoff/start", {{"device_nonce", nonce()}}), 429, "rate_limited",
                    true);
        auto form = s.submitForm("handoff_id=" + id + "&action=continue");
        QCOMPARE(form->status, 429);
        QVERIFY(form->body.find("Too many") != std::string::npos);
    }

    // The local page of a pending handoff, then one of its buttons.
    void formActions_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("poll");
        row("continue signs in", "continue", 200, "Signed in", "ready");
        row("cancel denies access", "cancel", 200, "cancelled", "access_denied");
        row("an unknown action changes nothing", "dance", 400, "not understood", "pending");
    }

    void formActions()
    {
        QFETCH(QString, action);
        QFETCH(int, status);
        QFETCH(QString, page);
        QFETCH(QString, poll);
        ServerFixture s;
        std::string id = s.start(nonce())["handoff_id"];
        auto shown = s.signInPage(id);
        QCOMPARE(shown->status, 200);
        QVERIFY(shown->get_header_value("Content-Type").find("text/html") == 0);
        for (const char* part : {"tester@localhost", "value=\"continue\"", "value=\"cancel\""}) {
            QVERIFY2(q(shown->body).contains(QLatin1String(part)), part);
        }
        QVERIFY(q(shown->body).contains(q(id)));
        auto res = s.submitForm("handoff_id=" + id + "&action=" + action.toStdString());
        QCOMPARE(res->status, status);
        QVERIFY(q(res->body).contains(page));
        json polled = s.poll(id, nonce());
        QCOMPARE(q(polled.value("reason", polled["status"].get<std::string>())), poll);
    }

    // The page and the form answer the same for a handoff that cannot sign in.
    void unusableHandoffs_data()
    {
        QTest::addColumn<QString>("handoff");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("poll"); // the reason a poll gives
        row("unknown", "unknown", 404, "not valid", "");
        row("no id", "", 404, "not valid", "");
        row("expired", "expired", 410, "expired", "expired");
        row("cancelled by the app", "cancelled", 409, "already used", "cancelled");
        row("another provider", "google", 400, "e-mail only|google", "unsupported_provider");
    }

    void unusableHandoffs()
    {
        QFETCH(QString, handoff);
        QFETCH(int, status);
        QFETCH(QString, page);
        QFETCH(QString, poll);
        ServerFixture s([](ServerOptions& o) { o.handoffLifetime = 60; });
        std::string id = handoff == "unknown" ? "nope" : "";
        if (handoff != "unknown" && !handoff.isEmpty()) {
            id = s.start(nonce(), handoff == "google" ? "google" : "email")["handoff_id"];
        }
        if (handoff == "expired") {
            s.advance(60);
        } else if (handoff == "cancelled") {
            json cancel = {{"handoff_id", id}, {"device_nonce", nonce()}};
            QCOMPARE(s.post("/auth/handoff/cancel", cancel)->status, 200);
        }
        auto verifyPage = [&](const httplib::Result& res) {
            QCOMPARE(res->status, status);
            QVERIFY(res->get_header_value("Content-Type").find("text/html") == 0);
            for (const QString& part : page.split('|')) {
                QVERIFY2(q(res->body).contains(part), qPrintable(part));
            }
        };
        verifyPage(s.client().Get(id.empty() ? "/signin" : ("/signin?handoff_id=" + id).c_str()));
        verifyPage(s.submitForm("handoff_id=" + id + "&action=continue"));
        if (!poll.isEmpty()) {
            QCOMPARE(s.poll(id, nonce()), failed(poll.toStdString()));
        }
    }

    void passwordModeSignsInWithTheRightPasswordOnly()
    {
        QTemporaryDir dir;
        std::string database = ServerFixture::newDatabase(dir);
        {
            auto db = Database::open(database, {}, 1);
            AccountStore accounts(*db, systemClock());
            accounts.addUser("Ada@example.com", "correct horse");
            // Setting a password again keeps one account, whatever the case of the e-mail.
            accounts.addUser("ada@example.com", "correct horse");
        }
        QCOMPARE(countRows(database, "SELECT count(*) FROM users"), 1);
        ServerFixture s([](ServerOptions& o) { o.signin = "password"; }, nullptr, database);
        std::string id = s.start(nonce())["handoff_id"];
        auto page = s.signInPage(id);
        QCOMPARE(page->status, 200);
        QVERIFY(page->body.find("type=\"password\"") != std::string::npos);
        QVERIFY(page->body.find("type=\"email\"") != std::string::npos);
        auto submit = [&](const std::string& credentials) {
            return s.submitForm("handoff_id=" + id + "&action=continue&" + credentials);
        };
        auto wrong = submit("email=ada%40example.com&password=wrong+horse");
        QCOMPARE(wrong->status, 401);
        QVERIFY(wrong->body.find("Wrong e-mail or password.") != std::string::npos);
        QCOMPARE(submit("email=bob%40example.com&password=correct+horse")->status, 401);
        QCOMPARE(q(s.poll(id, nonce())["status"]), QString("pending"));
        QCOMPARE(submit("email=Ada%40Example.com&password=correct+horse")->status, 200);
        auto res = s.exchange(id, nonce(), s.poll(id, nonce())["exchange_code"]);
        QCOMPARE(q(json::parse(res->body)["user"]["email"]), QString("Ada@example.com"));
    }

    void refreshRotatesTheTokensAndIsNeverCached()
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
        QCOMPARE(s.config(fresh["access_token"])->status, 200);
        QCOMPARE(res->get_header_value("Cache-Control"), std::string("no-store"));
        QCOMPARE(s.refresh(fresh["refresh_token"])->status, 200);
    }

    // "apikey /path body" ("-": no apikey); $T stands for a body with the session's refresh token.
    void refusalsLeaveTheTokenUnspent_data()
    {
        QTest::addColumn<QString>("anonKey"); // the server's; empty: the default
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("expected");
        const QString key = "local-dev-anon-key /auth/v1/token";
        const QString refresh = "?grant_type=refresh_token ";
        row("no api key", "", "- /auth/v1/token" + refresh + "$T", "401 missing_api_key");
        row("wrong api key", "", "wrong /auth/v1/token" + refresh + "$T", "401 invalid_api_key");
        row("default key where another is set", "k2", key + refresh + "$T", "401 invalid_api_key");
        row("password grant", "", key + "?grant_type=password $T", "400 unsupported_grant_type");
        row("no grant", "", key + " $T", "400 unsupported_grant_type");
        row("not json", "", key + "?grant_type=refresh_token nope", "400 invalid_json");
        row("token a number", "", key + refresh + "{\"refresh_token\":12}", "400 invalid_request");
        row("token missing", "", key + "?grant_type=refresh_token {}", "400 invalid_request");
        row("token empty", "", key + refresh + "{\"refresh_token\":\"\"}", "400 invalid_request");
        row("unknown token", "", key + refresh + "{\"refresh_token\":\"unknown\"}",
            "400 invalid_grant");
    }

    void refusalsLeaveTheTokenUnspent()
    {
        QFETCH(QString, anonKey);
        QFETCH(QString, request);
        QFETCH(QString, expected);
        ServerFixture s([&](ServerOptions& o) {
            o.anonKey = anonKey.isEmpty() ? o.anonKey : anonKey.toStdString();
        });
        Session session = s.signIn();
        request.replace("$T", q(json{{"refresh_token", session.refreshToken}}.dump()));
        httplib::Headers headers;
        if (request.section(' ', 0, 0) != "-") {
            headers.emplace("apikey", request.section(' ', 0, 0).toStdString());
        }
        verifyError(s.send("POST " + request.section(' ', 1).toStdString(), headers), expected);
        auto key =
            anonKey.isEmpty() ? kApiKey : httplib::Headers{{"apikey", anonKey.toStdString()}};
        QCOMPARE(s.post(kRefreshPath, {{"refresh_token", session.refreshToken}}, key)->status, 200);
    }

    void expiredAccessTokenIsRefused()
    {
        ServerFixture s([](ServerOptions& o) { o.accessTokenLifetime = 60; });
        Session session = s.signIn();
        QCOMPARE(session.answer["expires_in"].get<int>(), 60);
        s.advance(59);
        QCOMPARE(s.config(session.accessToken)->status, 200);
        s.advance(1);
        verifyError(s.config(session.accessToken), 401, "unauthorized");
    }
};

VELTO_REGISTER_TEST(AuthRoutesTest);
#include "AuthRoutesTest.moc"
