// The app's side of the sign-in hand-off over HTTP: start, poll, exchange and cancel, every
// refusal, expiry, one exchange per handoff and the per-address rate limit.

#include "HttpSuite.h"

using namespace velto::server;
using namespace velto::server::testing;

namespace {

json failed(const std::string& reason)
{
    return {{"status", "failed"}, {"reason", reason}};
}

} // namespace

class HandoffRoutesTest : public QObject
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
    // pending handoff started with nonce() (43 "A"s), $N for that nonce.
    void refusals_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("expected");
        const QString start = "POST /auth/handoff/start {'client':'x','device_nonce':";
        row("start: nonce missing", "POST /auth/handoff/start {'client':'x'}",
            "400 invalid_request");
        row("start: nonce a number", start + "7}", "400 invalid_request");
        row("start: 42 characters", start + "'" + QString(42, 'A') + "'}",
            "400 invalid_device_nonce");
        row("start: 44 characters", start + "'" + QString(44, 'A') + "'}",
            "400 invalid_device_nonce");
        row("start: standard base64", start + "'" + QString(42, 'A') + "+'}",
            "400 invalid_device_nonce");
        row("start: padded", start + "'" + QString(42, 'A') + "='}", "400 invalid_device_nonce");
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
            "POST /auth/handoff/exchange "
            "{'handoff_id':'x','device_nonce':'$N','exchange_code':'c'}",
            "404 invalid_or_expired_handoff");
        row("exchange: not an object", "POST /auth/handoff/exchange []", "400 invalid_json");
        row("exchange: code missing", exchange + "}", "400 invalid_request");
        row("exchange: code a number", exchange + ",'exchange_code':5}", "400 invalid_request");
        row("cancel: another nonce",
            "POST /auth/handoff/cancel {'handoff_id':'$ID','device_nonce':'" + QString(43, 'B') +
                "'}",
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
        request.replace("$ID", q(id)).replace("$N", q(nonce())).replace('\'', '"');
        verifyError(s.send(request.section(' ', 0, 0).toStdString(),
                           request.section(' ', 1, 1).toStdString(),
                           request.section(' ', 2).toStdString()),
                    expected.section(' ', 0, 0).toInt(), expected.section(' ', 1).toStdString());
        // A refusal leaves the handoff as it was.
        QCOMPARE(s.poll(id, nonce()), json({{"status", "pending"}}));
    }

    void expiredHandoffPollsAsExpiredAndCannotBeUsed()
    {
        ServerFixture s([](ServerOptions& o) { o.handoffLifetime = 60; });
        std::string id = s.start(nonce())["handoff_id"];
        s.approve(id);
        std::string code = s.poll(id, nonce())["exchange_code"];
        s.advance(60);
        QCOMPARE(s.poll(id, nonce()), failed("expired"));
        verifyError(s.exchange(id, nonce(), code), 410, "expired");
    }

    void exchangeChecksNonceAndCodeWithoutSpendingThem()
    {
        ServerFixture s;
        std::string id = s.start(nonce())["handoff_id"];
        s.approve(id);
        std::string code = s.poll(id, nonce())["exchange_code"];
        verifyError(s.exchange(id, nonce('B'), code), 403, "unauthorized_handoff");
        verifyError(s.exchange(id, nonce(), code + "x"), 400, "invalid_exchange_code");
        // A code belongs to its own handoff only.
        std::string other = s.start(nonce('D'))["handoff_id"];
        s.approve(other);
        verifyError(s.exchange(other, nonce('D'), code), 400, "invalid_exchange_code");
        QCOMPARE(s.exchange(id, nonce(), code)->status, 200);
    }

    void handoffCallsAreRateLimitedPerAddress()
    {
        ServerFixture s([](ServerOptions& o) { o.authRatePerMinute = 3; });
        std::string id = s.start(nonce())["handoff_id"];
        s.poll(id, nonce());
        s.poll(id, nonce());
        verifyError(s.pollResult(id, nonce()), 429, "rate_limited", true);
        verifyError(s.postJson("/auth/handoff/start", {{"device_nonce", nonce()}}), 429,
                    "rate_limited", true);
        auto form = s.submitForm("handoff_id=" + id + "&action=continue");
        QCOMPARE(form->status, 429);
        QVERIFY(form->body.find("Too many") != std::string::npos);
    }
};

VELTO_HTTP_SUITE(HandoffRoutesTest)
#include "HandoffRoutesTest.moc"
