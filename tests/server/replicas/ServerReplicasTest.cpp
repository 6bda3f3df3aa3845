// Several velto-server replicas on one PostgreSQL: any replica answers any step of a user's
// sign-in, rewrites and refreshes; a refresh token raced on two replicas has one winner; rate
// limits hold across replicas; replicas starting together migrate once; a database that stops
// and comes back turns requests into retryable 503s, then works again without a restart.

#include "Crypto.h"
#include "Database.h"
#include "TokenStore.h"
#include "support/ScratchPostgres.h"
#include "support/ServerFixture.h"

#include <QtTest>

#include <algorithm>

#include <barrier>
#include <latch>
#include <set>

using namespace velto::server;
using namespace velto::server::testing;

namespace {

void verifyRetryable503(const httplib::Result& res)
{
    QVERIFY2(res, "no answer");
    QCOMPARE(res->status, 503);
    json body = json::parse(res->body, nullptr, false);
    QCOMPARE(q(body["error"]["code"]), QString("database_unavailable"));
    QCOMPARE(body["error"]["retryable"], json(true));
    QCOMPARE(q(res->get_header_value("Retry-After")), QString("1"));
}

} // namespace

class ServerReplicasTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        crypto::initialize();
        if (!ScratchPostgres::available()) {
            QSKIP(ScratchPostgres::missingReason().c_str());
        }
        postgres_ = std::make_unique<ScratchPostgres>();
    }

    void cleanupTestCase() { postgres_.reset(); }

    void replicasStartingTogetherMigrateOnce()
    {
        std::string db = postgres_->createDatabase();
        std::vector<std::thread> starts;
        std::atomic<int> opened{0};
        std::latch go(4);
        for (int i = 0; i < 4; ++i) {
            starts.emplace_back([&] {
                go.arrive_and_wait();
                try {
                    auto store = Database::open(db, {}, 1);
                    ++opened;
                } catch (const std::exception& e) {
                    qWarning("open failed: %s", e.what());
                }
            });
        }
        for (auto& t : starts) {
            t.join();
        }
        QCOMPARE(opened.load(), 4);
        QCOMPARE(q(ScratchPostgres::scalar(db, "SELECT count(*) FROM velto_schema_version")),
                 QString("1"));
    }

    void anyReplicaAnswersAnyStepOfSignInRewriteAndRefresh()
    {
        std::string db = postgres_->createDatabase();
        ServerFixture a({}, nullptr, db);
        ServerFixture b({}, nullptr, db);
        ServerFixture c({}, nullptr, db);

        // Start on A, the browser on B, polls on A and C, the exchange on C.
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
        json answer = json::parse(exchanged->body);
        Session session{answer["access_token"], answer["refresh_token"], answer};

        // Rewrites on every replica with that token, then a refresh on B and the new token on C.
        for (ServerFixture* s : {&a, &b, &c}) {
            auto res = s->rewrite(session, "hello  world .");
            QCOMPARE(res->status, 200);
            QCOMPARE(q(res->body), QString("Hello world."));
        }
        auto refreshed = b.refresh(session.refreshToken);
        QCOMPARE(refreshed->status, 200);
        json fresh = json::parse(refreshed->body);
        QCOMPARE(c.client().Get("/config", ServerFixture::bearer(fresh["access_token"]))->status,
                 200);
        QCOMPARE(a.refresh(session.refreshToken)->status, 400);
        QCOMPARE(a.refresh(fresh["refresh_token"])->status, 200);

        // A cancel on one replica ends the handoff for all.
        std::string other = b.start(nonce('X'))["handoff_id"];
        QCOMPARE(c.postJson("/auth/handoff/cancel",
                            {{"handoff_id", other}, {"device_nonce", nonce('X')}})
                     ->status,
                 200);
        QCOMPARE(a.poll(other, nonce('X')),
                 json::parse("{\"status\":\"failed\",\"reason\":\"cancelled\"}"));
    }

    void aRefreshTokenRacedOnTwoReplicasHasExactlyOneWinner()
    {
        std::string db = postgres_->createDatabase();
        auto noLimits = [](ServerOptions& o) {
            o.authRatePerMinute = 0;
            o.threads = 16;
        };
        ServerFixture a(noLimits, nullptr, db);
        ServerFixture b(noLimits, nullptr, db);
        std::string user = a.signIn().answer["user"]["id"];

        constexpr int kPairs = 100;
        std::vector<std::string> refreshTokens;
        {
            auto store = Database::open(db, {}, 1);
            TokenStore tokens(*store, systemClock(), 3600);
            for (int i = 0; i < kPairs; ++i) {
                refreshTokens.push_back(tokens.issue(user).refreshToken);
            }
        }

        // Both requests of a pair leave together, one to each replica, from kLanes lanes per
        // replica at once. Each lane keeps one connection, opened before the race: a burst of
        // new connections would overrun the listen backlog, which is not what this tests.
        constexpr int kLanes = 12;
        std::vector<int> status(2 * kPairs, 0);
        std::vector<std::string> bodies(2 * kPairs);
        std::vector<std::unique_ptr<std::barrier<>>> together;
        for (int lane = 0; lane < kLanes; ++lane) {
            together.push_back(std::make_unique<std::barrier<>>(2));
        }
        std::vector<std::unique_ptr<httplib::Client>> connections;
        for (int i = 0; i < 2 * kLanes; ++i) {
            auto client = std::make_unique<httplib::Client>(i % 2 == 0 ? a.url() : b.url());
            client->set_keep_alive(true);
            client->set_read_timeout(60);
            QCOMPARE(client->Get("/health")->status, 200);
            connections.push_back(std::move(client));
        }
        std::vector<std::thread> clients;
        for (int i = 0; i < 2 * kLanes; ++i) {
            clients.emplace_back([&, i] {
                int lane = i / 2;
                int side = i % 2;
                for (int pair = lane; pair < kPairs; pair += kLanes) {
                    auto slot = static_cast<std::size_t>(2 * pair + side);
                    json body = {{"refresh_token", refreshTokens[static_cast<std::size_t>(pair)]}};
                    together[static_cast<std::size_t>(lane)]->arrive_and_wait();
                    auto res = connections[static_cast<std::size_t>(i)]->Post(
                        kRefreshPath, kApiKey, body.dump(), "application/json");
                    status[slot] = res ? res->status : -1;
                    bodies[slot] = res ? res->body : httplib::to_string(res.error());
                }
            });
        }
        for (auto& t : clients) {
            t.join();
        }
        std::set<std::string> winners;
        for (std::size_t pair = 0; pair < kPairs; ++pair) {
            std::vector<int> both = {status[2 * pair], status[2 * pair + 1]};
            std::sort(both.begin(), both.end());
            QCOMPARE(both, (std::vector<int>{200, 400}));
            std::size_t win = status[2 * pair] == 200 ? 2 * pair : 2 * pair + 1;
            std::size_t lose = 4 * pair + 1 - win;
            QCOMPARE(q(json::parse(bodies[lose])["error"]["code"]), QString("invalid_grant"));
            winners.insert(json::parse(bodies[win])["refresh_token"].get<std::string>());
        }
        QCOMPARE(winners.size(), std::size_t(kPairs));
        QCOMPARE(a.refresh(*winners.begin())->status, 200);
    }

    void rateLimitsCountAcrossReplicas()
    {
        std::string db = postgres_->createDatabase();
        auto limits = [](ServerOptions& o) {
            o.rewriteRatePerMinute = 4;
            o.authRatePerMinute = 6;
        };
        ServerFixture a(limits, nullptr, db);
        ServerFixture b(limits, nullptr, db);
        // Four auth calls: start, the form, a poll, the exchange.
        Session session = a.signIn(nonce('L'));
        for (int i = 0; i < 4; ++i) {
            QCOMPARE((i % 2 == 0 ? a : b).rewrite(session, "hi")->status, 200);
        }
        for (ServerFixture* s : {&a, &b}) {
            auto res = s->rewrite(session, "hi");
            QCOMPARE(res->status, 429);
            QCOMPARE(json::parse(res->body)["error"]["retryable"], json(true));
        }
        std::string id = b.start(nonce('M'))["handoff_id"];
        QCOMPARE(q(a.poll(id, nonce('M'))["status"]), QString("pending"));
        for (ServerFixture* s : {&a, &b}) {
            QCOMPARE(s->pollResult(id, nonce('M'))->status, 429);
        }
        // A new window opens a minute after the first request of the last one.
        a.advance(60);
        b.advance(60);
        QCOMPARE(b.rewrite(session, "hi")->status, 200);
    }

    void aStoppedDatabaseAnswers503AndReplicasRecoverWhenItReturns()
    {
        std::string db = postgres_->createDatabase();
        ServerFixture a({}, nullptr, db);
        ServerFixture b({}, nullptr, db);
        Session session = a.signIn(nonce('D'));
        auto rewrite = [&](ServerFixture& s) { return s.rewrite(session, "back  again ."); };
        QCOMPARE(rewrite(b)->status, 200);

        postgres_->stop();
        for (ServerFixture* s : {&a, &b}) {
            verifyRetryable503(rewrite(*s));
            verifyRetryable503(s->postJson(
                "/auth/handoff/start", {{"client", "macos-velto"}, {"device_nonce", nonce('E')}}));
            verifyRetryable503(s->refresh(session.refreshToken));
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
        postgres_->start();
        for (ServerFixture* s : {&a, &b}) {
            QCOMPARE(rewrite(*s)->status, 200);
            QCOMPARE(s->client().Get("/health")->status, 200);
        }
        auto refreshed = b.refresh(session.refreshToken);
        QCOMPARE(refreshed->status, 200);
        QCOMPARE(
            a.client()
                .Get("/config", ServerFixture::bearer(json::parse(refreshed->body)["access_token"]))
                ->status,
            200);
        Session again = b.signIn(nonce('F'));
        QCOMPARE(rewrite(a)->status, 200);
        QVERIFY(!again.accessToken.empty());
    }

private:
    std::unique_ptr<ScratchPostgres> postgres_;
};

QTEST_GUILESS_MAIN(ServerReplicasTest)
#include "ServerReplicasTest.moc"
