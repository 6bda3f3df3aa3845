// Several velto-server replicas on one PostgreSQL: any replica answers any step of a user's
// sign-in and takes its token; a refresh token raced on two replicas has one winner (and, being
// presented twice, ends its session); rate limits hold across replicas; replicas starting
// together migrate once; a database that stops and comes back turns requests into retryable
// 503s, then works again without a restart.

#include "Crypto.h"
#include "TokenStore.h"
#include "support/ScratchPostgres.h"
#include "support/ServerFixture.h"

#include <QtTest>

#include <algorithm>
#include <barrier>
#include <deque>
#include <latch>
#include <set>

using namespace velto::server;
using namespace velto::server::testing;

class ServerReplicasTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        crypto::initialize();
        if (std::string missing = ScratchPostgres::missing(); !missing.empty()) {
            QSKIP(missing.c_str());
        }
        m_postgres = std::make_unique<ScratchPostgres>();
    }

    void cleanupTestCase() { m_postgres.reset(); }

    void replicasStartingTogetherMigrateOnce()
    {
        std::string db = m_postgres->createDatabase();
        std::atomic<int> opened{0};
        std::latch go(4);
        {
            std::vector<std::jthread> starts;
            for (int i = 0; i < 4; ++i) {
                starts.emplace_back([&] {
                    go.arrive_and_wait();
                    try {
                        opened += Database::open(db, {}, 1) != nullptr;
                    } catch (const std::exception& e) {
                        qWarning("open failed: %s", e.what());
                    }
                });
            }
        }
        QCOMPARE(opened.load(), 4);
        // One row per migration step: each applied once.
        QCOMPARE(countRows(db, "SELECT count(*) FROM velto_schema_version"), 2);
        QCOMPARE(countRows(db, "SELECT count(DISTINCT version) FROM velto_schema_version"), 2);
    }

    void anyReplicaAnswersAnyStepOfSignIn()
    {
        std::string db = m_postgres->createDatabase();
        ServerFixture a({}, nullptr, db), b({}, nullptr, db), c({}, nullptr, db);

        // Start on A, the browser on B, polls on A and C, the exchange on C, the token on all.
        std::string id = a.start(nonce('R'))["handoff_id"];
        QCOMPARE(q(c.poll(id, nonce('R'))["status"]), QString("pending"));
        QCOMPARE(b.signInPage(id)->status, 200);
        QCOMPARE(b.approve(id), 200);
        json polled = a.poll(id, nonce('R'));
        QCOMPARE(q(polled["status"]), QString("ready"));
        QCOMPARE(c.poll(id, nonce('R'))["exchange_code"], polled["exchange_code"]);
        auto exchanged = c.exchange(id, nonce('R'), polled["exchange_code"]);
        QCOMPARE(exchanged->status, 200);
        QCOMPARE(b.exchange(id, nonce('R'), polled["exchange_code"])->status, 409);
        Session session{json::parse(exchanged->body)["access_token"], "", {}};
        for (ServerFixture* s : {&a, &b, &c}) {
            QCOMPARE(q(s->rewrite(session, "hello  world .")->body), QString("Hello world."));
        }
    }

    void aRefreshTokenRacedOnTwoReplicasHasExactlyOneWinner()
    {
        std::string db = m_postgres->createDatabase();
        auto noLimits = [](ServerOptions& o) {
            o.authRatePerMinute = 0;
            o.threads = 16;
        };
        ServerFixture a(noLimits, nullptr, db), b(noLimits, nullptr, db);
        constexpr std::size_t kPairs = 100;
        std::vector<std::string> refreshTokens;
        std::string user = a.signIn().answer["user"]["id"];
        auto store = Database::open(db, {}, 1);
        for (TokenStore tokens(*store, systemClock(), 3600); refreshTokens.size() < kPairs;) {
            refreshTokens.push_back(tokens.issue(user).refreshToken);
        }

        // Both requests of a pair leave together, one to each replica, from kLanes lanes per
        // replica at once. Each lane keeps one connection, opened before the race: a burst of
        // new connections would overrun the listen backlog, which is not what this tests.
        constexpr std::size_t kLanes = 12;
        std::vector<std::pair<int, std::string>> answers(2 * kPairs); // status, body
        std::deque<std::barrier<>> together;                          // one per pair of lanes
        std::deque<httplib::Client> connections;
        for (std::size_t i = 0; i < 2 * kLanes; ++i) {
            together.emplace_back(2);
            connections.emplace_back((i % 2 ? b : a).url()).set_keep_alive(true);
            connections.back().set_read_timeout(60);
            QCOMPARE(connections.back().Get("/health")->status, 200);
        }
        {
            std::vector<std::jthread> clients;
            for (std::size_t i = 0; i < 2 * kLanes; ++i) {
                clients.emplace_back([&, i] {
                    for (std::size_t pair = i / 2; pair < kPairs; pair += kLanes) {
                        json body = {{"refresh_token", refreshTokens[pair]}};
                        together[i / 2].arrive_and_wait();
                        auto res = connections[i].Post(kRefreshPath, kApiKey, body.dump(),
                                                       "application/json");
                        answers[2 * pair + i % 2] = {res ? res->status : -1,
                                                     res ? res->body : to_string(res.error())};
                    }
                });
            }
        }
        std::set<std::string> winners;
        for (std::size_t pair = 0; pair < kPairs; ++pair) {
            auto [won, lost] = std::minmax(answers[2 * pair], answers[2 * pair + 1]);
            QCOMPARE(won.first, 200);
            QCOMPARE(lost.first, 400);
            QCOMPARE(q(json::parse(lost.second)["error"]["code"]), QString("invalid_grant"));
            winners.insert(json::parse(won.second)["refresh_token"].get<std::string>());
        }
        QCOMPARE(winners.size(), kPairs);
        // The loser presented a spent token, which ends its session: the winner's new token
        // with it, on either replica.
        QCOMPARE(a.refresh(*winners.begin())->status, 400);
        QCOMPARE(b.refresh(*winners.rbegin())->status, 400);
    }

    void rateLimitsCountAcrossReplicas()
    {
        std::string db = m_postgres->createDatabase();
        auto limits = [](ServerOptions& o) {
            o.rewriteRatePerMinute = 4;
            o.authRatePerMinute = 6;
        };
        ServerFixture a(limits, nullptr, db), b(limits, nullptr, db);
        // Four auth calls: start, the form, a poll, the exchange.
        Session session = a.signIn(nonce('L'));
        for (int i = 0; i < 4; ++i) {
            QCOMPARE((i % 2 == 0 ? a : b).rewrite(session, "hi")->status, 200);
        }
        std::string id = b.start(nonce('M'))["handoff_id"];
        QCOMPARE(q(a.poll(id, nonce('M'))["status"]), QString("pending"));
        for (ServerFixture* s : {&a, &b}) {
            verifyError(s->rewrite(session, "hi"), 429, "rate_limited", true);
            verifyError(s->pollResult(id, nonce('M')), 429, "rate_limited", true);
        }
        // A new window opens a minute after the first request of the last one.
        a.advance(60);
        b.advance(60);
        QCOMPARE(b.rewrite(session, "hi")->status, 200);
    }

    void aStoppedDatabaseAnswers503AndReplicasRecoverWhenItReturns()
    {
        std::string db = m_postgres->createDatabase();
        ServerFixture a({}, nullptr, db), b({}, nullptr, db);
        Session session = a.signIn(nonce('D'));
        QCOMPARE(b.rewrite(session, "back  again .")->status, 200);

        m_postgres->stop();
        for (ServerFixture* s : {&a, &b}) {
            for (const auto& res :
                 {s->rewrite(session, "back  again ."), s->refresh(session.refreshToken),
                  s->post("/auth/handoff/start", {{"device_nonce", nonce('E')}})}) {
                verifyError(res, 503, "database_unavailable", true);
                QCOMPARE(q(res->get_header_value("Retry-After")), QString("1"));
            }
            auto page = s->signInPage("any");
            QCOMPARE(page->status, 503);
            QVERIFY(page->get_header_value("Content-Type").find("text/html") == 0);
            QVERIFY(page->body.find("Reload this page") != std::string::npos);
            auto health = s->client().Get("/health");
            QCOMPARE(health->status, 503);
            QCOMPARE(q(json::parse(health->body)["database"]), QString("unavailable"));
        }
        bool logged = false;
        for (const auto& line : a.logLines()) {
            logged |= line.find("database unavailable") != std::string::npos;
            QVERIFY(line.find(session.accessToken) == std::string::npos);
        }
        QVERIFY(logged);

        // The pools still hold connections to the stopped server; the first request on each
        // replica finds them dead and must not fail for it.
        m_postgres->start();
        for (ServerFixture* s : {&a, &b}) {
            QCOMPARE(s->rewrite(session, "back  again .")->status, 200);
            QCOMPARE(s->client().Get("/health")->status, 200);
        }
        auto refreshed = b.refresh(session.refreshToken);
        QCOMPARE(refreshed->status, 200);
        QCOMPARE(a.config(json::parse(refreshed->body)["access_token"])->status, 200);
        QVERIFY(!b.signIn(nonce('F')).accessToken.empty());
    }

private:
    std::unique_ptr<ScratchPostgres> m_postgres;
};

QTEST_GUILESS_MAIN(ServerReplicasTest)
#include "ServerReplicasTest.moc"
